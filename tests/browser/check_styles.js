#!/usr/bin/env node
// Renders every shipped style over a folder of hostile names with kdgn20,
// in one file and in one file per folder, and checks what a reader gets:
// HTML pages (and Markdown turned into HTML by a CommonMark renderer) in
// headless Chromium, JSON Lines and CSV with standard parsers.
//
// Usage: node check_styles.js KDGN20 REPO_ROOT [STYLE...]
// Environment: DIRGEN_CHROMIUM (default /usr/bin/chromium).
// Exit status: 0 when every check passed, 1 otherwise.
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const { spawnSync } = require("child_process");
const { pathToFileURL } = require("url");
const puppeteer = require("puppeteer-core");
const commonmark = require("commonmark");
const tree = require("./hostile_tree");
const access = require("./access");

const [binary, root, ...only] = process.argv.slice(2);
if (!binary || !root) {
  console.error("usage: check_styles.js KDGN20 REPO_ROOT [STYLE...]");
  process.exit(2);
}
const faults = [];
function fault(where, message) {
  faults.push(where + ": " + message);
  console.log("FAIL " + where + ": " + message);
}

// ------------------------------------------------------------ building

const work = fs.mkdtempSync(path.join(os.tmpdir(), "dirgen-browser-"));
fs.symlinkSync(path.join(path.resolve(root), "kvdata"), path.join(work, "kvdata"));
let runs = 0;

function settingsFile(values) {
  const esc = (v) => String(v).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;");
  return Object.keys(values).sort().map((k) => `<${k}>${esc(values[k])}</${k}>\r\n`).join("");
}

const DEFAULTS = {
  source: 0, mask: "*", skip_files: "", folder_include: "*", folder_skip: "",
  subfolders: 1, subfolders_in_one_file: 1, date_format: "%Y-%m-%d %H:%M", is_gmt_date: 1,
  order_files: 1, sort_order: 0, show_summary: 1, show_folders: 1,
  image_dir: pathToFileURL(path.join(path.resolve(root), "images")).href, size_units: 0,
  url_html_escape: 0, time_filter: 0, time_start: 0, time_end: 0, size_filter: 0,
  size_start: 0, size_end: 1048576,
};

// Makes layout in a fresh folder, runs kdgn20 over it, returns the folder.
function build(where, layout, settings) {
  const src = path.join(work, "src" + ++runs);
  tree.make(src, layout);
  const file = path.join(work, `settings${runs}.txt`);
  fs.writeFileSync(file, settingsFile({ ...DEFAULTS, path: src, ...settings }));
  const r = spawnSync(path.resolve(binary), [file], { cwd: work, encoding: "utf8", timeout: 120000 });
  if (r.status !== 0 || !/Build is successful\./.test(r.stdout)) {
    fault(where, `build failed (exit ${r.status}): ${(r.stdout || "").trim()} ${r.stderr || ""}`);
    return null;
  }
  return src;
}

// ------------------------------------------------------------ expectations

// What a listing of folder dir should offer: every entry below it (one
// level per folder in per-folder mode), as paths of Buffers.
function expectedEntries(dir, recursive, skip) {
  const out = [];
  const base = Buffer.isBuffer(dir) ? dir : Buffer.from(dir);
  for (const name of fs.readdirSync(base, { encoding: "buffer" })) {
    const full = Buffer.concat([base, Buffer.from("/"), name]);
    if (skip(name)) continue;
    const isDir = fs.statSync(full).isDirectory();
    out.push({ name, full, isDir });
    if (isDir && recursive) out.push(...expectedEntries(full, true, skip));
  }
  return out;
}

// A name as every HTML style shows it: control characters and those that
// reorder text as their codes ("\u202E"), bytes that are not UTF-8 as
// "\xFF"; everything else as it is.
const AS_CODE = /[\x00-\x1f\x7f-\x9f\u061c\u200e\u200f\u2028\u2029\u202a-\u202e\u2066-\u2069]/;
function visibleName(name) {
  let out = "";
  for (let i = 0; i < name.length;) {
    const n = utf8Length(name, i);
    if (!n) { out += "\\x" + name[i].toString(16).toUpperCase().padStart(2, "0"); i++; continue; }
    const ch = name.subarray(i, i + n).toString("utf8");
    out += AS_CODE.test(ch) ? "\\u" + ch.codePointAt(0).toString(16).toUpperCase().padStart(4, "0") : ch;
    i += n;
  }
  return out;
}
// The length of the valid UTF-8 sequence at b[i], or 0.
function utf8Length(b, i) {
  const c = b[i];
  const n = c < 0x80 ? 1 : c >= 0xc2 && c <= 0xdf ? 2 : c >= 0xe0 && c <= 0xef ? 3 : c >= 0xf0 && c <= 0xf4 ? 4 : 0;
  if (!n || i + n > b.length) return 0;
  for (let k = 1; k < n; k++) if ((b[i + k] & 0xc0) !== 0x80) return 0;
  const s = b.subarray(i, i + n).toString("utf8");
  return s.length && !s.includes("\uFFFD") ? n : 0;
}
function shownForms(name) {
  return [visibleName(name)];
}

function percentBytes(s) {
  const bytes = [];
  for (let i = 0; i < s.length; i++) {
    if (s[i] === "%" && /^[0-9A-Fa-f]{2}$/.test(s.substr(i + 1, 2))) {
      bytes.push(parseInt(s.substr(i + 1, 2), 16));
      i += 2;
    } else {
      bytes.push(...Buffer.from(s[i]));
    }
  }
  return Buffer.from(bytes);
}

// ------------------------------------------------------------ the browser

let browser;
async function openPage(file, width, height, beforeScripts) {
  const page = await browser.newPage();
  await page.setViewport({ width, height });
  await page.evaluateOnNewDocument(() => {
    window.__ran = [];
    for (const f of ["alert", "confirm", "prompt", "print"]) {
      window[f] = (...a) => window.__ran.push(f + "(" + a.join(",") + ")");
    }
  });
  if (beforeScripts) await page.evaluateOnNewDocument(beforeScripts);
  const errors = [];
  page.on("pageerror", (e) => errors.push(String(e)));
  page.on("dialog", (d) => { errors.push("dialog " + d.message()); d.dismiss(); });
  await page.goto(pathToFileURL(file).href, { waitUntil: "load", timeout: 60000 });
  await page.evaluate(() => new Promise((r) => setTimeout(r, 150)));
  page.__errors = errors;
  return page;
}

// What ran and what shows: dialogs, handlers, script links, visible text,
// and every link resolved against the page.
async function inspect(page) {
  return page.evaluate(() => {
    const handlers = [];
    for (const el of document.querySelectorAll("*")) {
      for (const a of el.attributes) {
        if (/^on/i.test(a.name)) handlers.push(el.tagName + " " + a.name);
        if (/^\s*(javascript|data|vbscript):/i.test(a.value) && /^(href|src|action|formaction)$/i.test(a.name)) handlers.push(el.tagName + " " + a.name + "=" + a.value);
      }
    }
    const links = [...document.querySelectorAll("a[href]")].map((a) => a.href);
    return { ran: window.__ran, handlers, text: document.body.innerText, links };
  });
}

// Sideways scrolling and names cut below a readable width.
async function checkNarrow(where, page, width) {
  const r = await page.evaluate((minimum) => {
    const problems = [];
    const doc = document.documentElement;
    if (doc.scrollWidth > doc.clientWidth + 1) problems.push(`page scrolls sideways (${doc.scrollWidth} px in ${doc.clientWidth})`);
    for (const el of document.querySelectorAll("body *")) {
      const st = getComputedStyle(el);
      if (/(auto|scroll)/.test(st.overflowX) && el.scrollWidth > el.clientWidth + 1 && el.clientWidth > 0) {
        problems.push(`${el.tagName}#${el.id} scrolls sideways`);
      }
    }
    // A name is cut when the part of its link left in sight (inside every
    // clipping box around it) is narrower than the link's text.
    for (const a of document.querySelectorAll("a[href]")) {
      if (!a.offsetParent || !a.textContent.trim()) continue;
      const r = a.getBoundingClientRect();
      let left = r.left, right = r.right;
      for (let p = a.parentElement; p && p !== document.body; p = p.parentElement) {
        if (getComputedStyle(p).overflowX === "visible") continue;
        const pr = p.getBoundingClientRect();
        left = Math.max(left, pr.left);
        right = Math.min(right, pr.right);
      }
      const inSight = right - left, name = a.querySelector(".nm");
      const cut = name ? name.scrollWidth > name.clientWidth + 1 && name.clientWidth < minimum
                       : Math.max(r.width, a.scrollWidth) > inSight + 1 && inSight < minimum;
      if (cut) problems.push(`name ${JSON.stringify(a.textContent.slice(0, 40))} cut to ${Math.round(name ? name.clientWidth : inSight)} px`);
    }
    // Columns other than names: nothing cut.
    for (const el of document.querySelectorAll(".c-size,.c-date,.c-ext,.meta,small")) {
      if (el.offsetParent && el.scrollWidth > el.clientWidth + 1) problems.push(`${el.className} ${JSON.stringify(el.textContent)} cut`);
    }
    return problems.slice(0, 5);
  }, 120);
  for (const p of r) fault(`${where} @${width}px`, p);
}

function checkShown(where, seen, entries, errors) {
  for (const r of seen.ran) fault(where, "ran " + r);
  for (const h of seen.handlers) fault(where, "handler or script link: " + h);
  for (const e of errors || []) fault(where, "page error: " + e);
  const text = seen.text.replace(/\s+/g, " ");
  for (const e of entries) {
    if (!shownForms(e.name).some((f) => text.includes(f))) fault(where, `name ${JSON.stringify(e.name.toString())} not shown`);
  }
}

// Every link opens something on disk, and every entry is linked: a file
// itself, a folder by its own listing (per folder) or by its path.
function checkLinks(where, links, entries, listingName) {
  const targets = new Set();
  for (const href of links) {
    const u = new URL(href);
    if (u.protocol !== "file:") { fault(where, "link leaves the disk: " + href); continue; }
    if (u.search || u.hash) { fault(where, "link with a query or fragment: " + href); continue; }
    const p = percentBytes(u.pathname);
    targets.add(p.toString("hex"));
    if (!fs.existsSync(p)) fault(where, "dead link " + href);
  }
  for (const e of entries) {
    const wanted = e.isDir
      ? (listingName ? Buffer.concat([e.full, Buffer.from("/" + listingName)]) : Buffer.concat([e.full, Buffer.from("/")]))
      : e.full;
    if (!targets.has(wanted.toString("hex"))) fault(where, `no link opens ${JSON.stringify(wanted.toString())}`);
  }
}

// ------------------------------------------------------------ per format

// The title and heading name the listed folder, and the trail leads to
// each listing from the top down to this one: trail is
// { name: Buffer, listings: [path, ...] }.
async function checkTrail(where, page, trail) {
  const got = await page.evaluate(() => ({
    title: document.title,
    heading: document.querySelector("h1") ? document.querySelector("h1").textContent : "",
    links: [...document.querySelectorAll("nav.trail a")].map((a) => a.href),
  }));
  const name = visibleName(trail.name);
  if (got.title !== name || got.heading.trim() !== name) fault(where + " title", `title ${JSON.stringify(got.title)}, heading ${JSON.stringify(got.heading)}, not ${JSON.stringify(name)}`);
  const opened = got.links.map((href) => percentBytes(new URL(href).pathname).toString());
  if (JSON.stringify(opened) !== JSON.stringify(trail.listings)) fault(where + " trail", `links ${JSON.stringify(opened)}, not ${JSON.stringify(trail.listings)}`);
}

async function checkHtmlListing(where, file, entries, listingName, narrow, trail) {
  let page = await openPage(file, 1280, 3000);
  const seen = await inspect(page);
  checkShown(where, seen, entries, page.__errors);
  checkLinks(where, seen.links, entries, listingName);
  if (trail) await checkTrail(where, page, trail);
  if (narrow) for (const v of await access.axeBothSchemes(page)) fault(where, "axe: " + v);
  await page.close();
  if (!narrow) return;
  for (const width of [390, 700]) {
    page = await openPage(file, width, 844);
    await checkNarrow(where, page, width);
    await page.close();
  }
}

async function checkMarkdown(where, file, entries, listingName) {
  const reader = new commonmark.Parser(), writer = new commonmark.HtmlRenderer({ safe: true });
  const html = writer.render(reader.parse(fs.readFileSync(file, "utf8")));
  const page = file.replace(/\.md$/, "") + ".rendered.html";
  fs.writeFileSync(page, '<!DOCTYPE html><meta charset="utf-8"><body>' + html);
  await checkHtmlListing(where, page, entries, listingName, false);
}

// A name as bytes from a JSON string: U+DC80..U+DCFF stand for stray bytes.
function jsonNameBytes(s) {
  const parts = [];
  let run = "";
  for (const ch of s) {
    const c = ch.codePointAt(0);
    if (c >= 0xdc80 && c <= 0xdcff) { parts.push(Buffer.from(run), Buffer.from([c & 255])); run = ""; } else run += ch;
  }
  parts.push(Buffer.from(run));
  return Buffer.concat(parts);
}

function checkJson(where, file, entries, top) {
  const lines = fs.readFileSync(file, "utf8").split("\n").filter((l) => l);
  const got = new Map();
  lines.forEach((line, n) => {
    let e;
    try { e = JSON.parse(line); } catch (err) { fault(where, `line ${n + 1}: ${err.message}`); return; }
    const p = jsonNameBytes(e.path).toString("hex");
    got.set(p, e);
    if (!jsonNameBytes(e.name).length) fault(where, `line ${n + 1}: no name`);
    // Links lead from the folder the listing is saved in.
    if (!fs.existsSync(Buffer.concat([Buffer.from(path.dirname(file) + "/"), percentBytes(e.link)]))) fault(where, `link ${e.link} opens nothing`);
    if (!e.is_folder && !(Number.isInteger(e.size) && e.size >= 0)) fault(where, `size ${e.size} of ${e.path}`);
    if (!/^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$/.test(e.time) || Date.parse(e.time) / 1000 !== e.mtime) fault(where, `time ${e.time} / ${e.mtime}`);
  });
  for (const e of entries) {
    const rel = e.full.subarray(top.length + 1);
    const key = Buffer.concat([rel, Buffer.from(e.isDir ? "/" : "")]).toString("hex");
    if (!got.has(key)) fault(where, `no line for ${JSON.stringify(rel.toString())}`);
  }
}

function checkCsv(where, file, entries, top) {
  // Python's csv module is the standard reader; stray bytes come back with
  // surrogateescape and leave as hex.
  const py = `
import csv, json, sys
with open(sys.argv[1], encoding="utf-8", errors="surrogateescape", newline="") as f:
    rows = list(csv.reader(f))
print(json.dumps([[c.encode("utf-8", "surrogateescape").hex() for c in r] for r in rows]))`;
  const r = spawnSync("python3", ["-c", py, file], { encoding: "utf8" });
  if (r.status !== 0) { fault(where, "csv reader: " + r.stderr); return; }
  const rows = JSON.parse(r.stdout).map((row) => row.map((h) => Buffer.from(h, "hex")));
  const header = rows.shift().map(String);
  if (header.join() !== "name,path,link,is_folder,size,time,mtime,type,description") fault(where, "header " + header);
  const paths = new Set();
  for (const row of rows) {
    if (row.length !== header.length) { fault(where, `row of ${row.length} fields`); continue; }
    paths.add(row[1].toString("hex"));
    if (!fs.existsSync(Buffer.concat([Buffer.from(path.dirname(file) + "/"), percentBytes(row[2].toString())]))) fault(where, `link ${row[2]} opens nothing`);
  }
  if (!fs.readFileSync(file).includes("\r\n")) fault(where, "rows do not end in CR LF");
  for (const e of entries) {
    const rel = Buffer.concat([e.full.subarray(top.length + 1), Buffer.from(e.isDir ? "/" : "")]);
    if (!paths.has(rel.toString("hex"))) fault(where, `no row for ${JSON.stringify(rel.toString())}`);
  }
}

// A plain text listing holds every path as it is, byte for byte.
function checkPlain(where, file, entries, top) {
  const text = fs.readFileSync(file);
  for (const e of entries) {
    const rel = e.full.subarray(top.length + 1);
    if (!text.includes(rel)) fault(where, `no path ${JSON.stringify(rel.toString())}`);
  }
}

// ------------------------------------------------------------ the table's behaviour

// The names of the list's links in page order (the parent and trail links
// aside).
function shownNames(page) {
  return page.$$eval("a[href]", (as) => as.filter((a) => a.offsetParent && !a.classList.contains("up") && !a.closest("nav")).map((a) => a.textContent.trim()));
}

// The number of the focused row's file, or what has the focus instead.
function focusedRow(page) {
  return page.evaluate(() => {
    const a = document.activeElement, m = a && /file (\d+)/.exec(a.textContent);
    return m ? +m[1] : a ? a.tagName + "#" + a.id : "nothing";
  });
}

async function checkTable(where) {
  // Keyboard: Tab walks down the rows past the first screen.
  let src = build(where + " keyboard", tree.many(300), { format: "table.txt", save: "list.html", subfolders: 0 });
  if (src) {
    const page = await openPage(path.join(src, "list.html"), 1000, 700);
    await page.evaluate(() => [...document.querySelectorAll("a")].find((a) => /file 0000/.test(a.textContent)).focus());
    let last = 0, lost = null;
    for (let i = 0; i < 60 && !lost; i++) {
      await page.keyboard.press("Tab");
      const at = await focusedRow(page);
      if (typeof at !== "number" || at <= last) lost = `Tab ${i + 1} went to ${at} after row ${last}`;
      last = at;
    }
    // And Shift+Tab walks back up.
    for (let i = 0; i < 30 && !lost; i++) {
      await page.keyboard.down("Shift");
      await page.keyboard.press("Tab");
      await page.keyboard.up("Shift");
      const at = await focusedRow(page);
      if (typeof at !== "number" || at >= last) lost = `Shift+Tab ${i + 1} went to ${at} after row ${last}`;
      last = at;
    }
    if (lost) fault(where + " keyboard", lost);
    await page.close();
    await checkTableAccess(where, src, 300);
    await checkTableTouch(where);
  }
  // Long lists on phones: the rows drawn while scrolling keep the columns.
  if (src) {
    for (const width of [390, 700]) {
      const page = await openPage(path.join(src, "list.html"), width, 844);
      await page.evaluate(() => { const box = document.getElementById("box"); if (box) box.scrollTop = 2000; });
      await page.evaluate(() => new Promise((r) => setTimeout(r, 100)));
      await checkNarrow(where + " long list", page, width);
      await page.close();
    }
  }
  // Typed before the script ran: the box gets text as soon as it exists.
  if (src) {
    const page = await openPage(path.join(src, "list.html"), 1000, 700, () => {
      new MutationObserver((_, obs) => {
        const q = document.getElementById("q");
        if (q) { q.value = "file 0007"; obs.disconnect(); }
      }).observe(document, { childList: true, subtree: true });
    });
    const names = await shownNames(page);
    if (!names.length || names.some((n) => !n.includes("file 0007"))) fault(where + " early input", `rows ${JSON.stringify(names.slice(0, 5))}`);
    await page.close();
  }
  // Dates show in the settings' format and sort by time, whatever the
  // format shows.
  src = build(where + " dates", tree.dated(40), { format: "table.txt", save: "list.html", subfolders: 0, date_format: "%d.%m.%Y %H:%M (%a %b %j)" });
  if (src) {
    const page = await openPage(path.join(src, "list.html"), 1000, 1600);
    const shownDates = await page.$$eval("#rows .row", (rows) => rows.map((r) => [r.querySelector(".nm").textContent, r.querySelector(".c-date").textContent]));
    for (const [name, date] of shownDates) {
      const t = fs.statSync(path.join(src, name)).mtime, two = (n) => String(n).padStart(2, "0");
      const day = Math.round((Date.UTC(t.getUTCFullYear(), t.getUTCMonth(), t.getUTCDate()) - Date.UTC(t.getUTCFullYear(), 0, 1)) / 864e5) + 1;
      const want = `${two(t.getUTCDate())}.${two(t.getUTCMonth() + 1)}.${t.getUTCFullYear()} ${two(t.getUTCHours())}:${two(t.getUTCMinutes())} ` +
        `(${t.toUTCString().slice(0, 3)} ${t.toUTCString().slice(8, 11)} ${String(day).padStart(3, "0")})`;
      if (date !== want) { fault(where + " date format", `${name} shows ${JSON.stringify(date)}, not ${JSON.stringify(want)}`); break; }
    }
    await page.evaluate(() => [...document.querySelectorAll("button")].find((b) => b.textContent.trim() === "Date").click());
    await page.evaluate(() => new Promise((r) => setTimeout(r, 50)));
    const names = await shownNames(page);
    const times = names.map((n) => fs.statSync(path.join(src, n)).mtimeMs);
    if (!names.length || times.some((t, i) => i && t < times[i - 1])) fault(where + " date sort", `order ${names.slice(0, 8).join(", ")}`);
    await page.close();
  }
  await checkTableSizes(where);
  await checkTableAddress(where);
  await checkTableSearch(where, SEARCHED);
  await checkTableSearch(where, [...SEARCHED, ["\u0130stanbul.txt", "b"]]);
  // A recursive listing opens in the listing's own order: files show
  // among their folders, not after every folder.
  src = build(where + " recursive order", tree.folders(60), { format: "table.txt", save: "list.html" });
  if (src) {
    const page = await openPage(path.join(src, "list.html"), 1000, 700);
    const shown = (await shownNames(page)).slice(0, Math.floor(700 / 40));
    if (!shown.some((n) => !n.endsWith("/"))) fault(where + " recursive order", `first rows ${shown.slice(0, 6).join(", ")}`);
    await page.close();
  }
}

// Sizes show in the unit the settings chose, as the other styles write
// them; numbers are grouped in the reader's own way.
const SIZES = [0, 1, 999, 1000, 999999, 1536000, 4700000];
const SIZE_TEXTS = {
  0: ["0 B", "1 B", "999 B", "1,000 B", "999,999 B", "1,536,000 B", "4,700,000 B"],
  1: ["1 Kb", "1 Kb", "1 Kb", "1 Kb", "977 Kb", "1,501 Kb", "4,590 Kb"],
  2: ["1 Mb", "1 Mb", "1 Mb", "1 Mb", "1 Mb", "2 Mb", "5 Mb"],
  3: ["0 bytes", "1 byte", "999 bytes", "1.0 kB", "1.0 MB", "1.5 MB", "4.7 MB"],
  4: ["0 bytes", "1 byte", "999 bytes", "1,000 bytes", "977 KiB", "1.5 MiB", "4.5 MiB"],
};
async function checkTableSizes(where) {
  const layout = SIZES.map((n, i) => [`size ${i}.bin`, Buffer.alloc(n)]);
  for (const units of Object.keys(SIZE_TEXTS)) {
    const src = build(`${where} size unit ${units}`, layout, { format: "table.txt", save: "list.html", subfolders: 0, size_units: units, sort_order: 0 });
    if (!src) continue;
    const page = await openPage(path.join(src, "list.html"), 1000, 900);
    const got = await page.evaluate(() => {
      // The reader's separators, put back to the ones written above.
      const group = (1000).toLocaleString().charAt(1), point = (1.5).toLocaleString().charAt(1);
      return [...document.querySelectorAll("#rows .row")].map((r) => [r.querySelector(".nm").textContent,
        r.querySelector(".c-size").textContent.split(group).join(",").replace(point, ".")]);
    });
    const want = SIZES.map((n, i) => [`size ${i}.bin`, SIZE_TEXTS[units][i]]);
    got.sort();
    if (JSON.stringify(got) !== JSON.stringify(want)) fault(`${where} size unit ${units}`, `sizes ${JSON.stringify(got)}`);
    await page.close();
  }
}

// A search keeps exactly the entries whose path (a folder's ending in
// "/"), lower-cased, holds every word: words in names, in folders' paths,
// across a folder and a name, in names written with escapes; and all of
// these again beside a name whose lower case is longer than the name.
const SEARCHED = [
  ["MiXeD Case.TXT", "a"], ["\u039f\u0394\u039f\u03a3.txt", "c"],
  ["tab\tname.txt", "d"], ["back\\slash <b>.txt", "e"], [Buffer.from("bad\xff.txt", "latin1"), "f"],
  ["caf\u00e9.txt", "g"], ["empty", []],
  ["Photos", [["Summer 2020", [["beach.JPG", "h"], ["caf\u00e9.txt", "i"]]], ["index.txt", "j"], ["zebra.txt", "k"]]],
];
const WORDS = ["mixed", "case.txt", "\u0130stanbul", "stanbul", "\u03bf\u03b4\u03bf\u03c2", "tab", "back\\slash", "<b>",
  "photos/summer", "summer 2020/beach", "os/su", "/", "txt", "caf\u00e9", ".jpg", "zzz", "bad", "\udcff", "empty/", "2020/"];
// Each entry's lower-cased path as the page searches and sorts it, and
// the path as its row shows it.
function searchKeys(dir, top) {
  const out = [];
  for (const e of expectedEntries(dir, true, () => false)) {
    const rel = e.full.subarray(Buffer.byteLength(top) + 1);
    let text = "";
    for (let i = 0; i < rel.length;) {
      const n = utf8Length(rel, i);
      text += n ? rel.subarray(i, i + n).toString("utf8") : String.fromCharCode(0xdc00 | rel[i]);
      i += n || 1;
    }
    out.push({ key: text.toLowerCase() + (e.isDir ? "/" : ""), shown: visibleName(rel) + (e.isDir ? "/" : ""), isDir: e.isDir });
  }
  return out;
}
async function checkTableSearch(where, layout) {
  const src = build(where + " search", layout, { format: "table.txt", save: path.join(work, "searched.html") });
  if (!src) return;
  const entries = searchKeys(src, src), keys = entries.map((e) => e.key);
  const page = await openPage(path.join(work, "searched.html"), 1000, 900);
  await tableLoaded(page);
  for (const words of WORDS) {
    const terms = words.toLowerCase().split(/\s+/);
    const want = keys.filter((k) => terms.every((t) => k.includes(t))).length;
    const got = await page.evaluate((w) => new Promise((done) => {
      const q = document.getElementById("q");
      q.value = w;
      q.dispatchEvent(new Event("input"));
      setTimeout(() => done(document.getElementById("count").textContent), 300);
    }), words);
    const n = /^(\d+) of/.exec(got) ? +/^(\d+)/.exec(got)[1] : /^(\d+) entries/.test(got) ? keys.length : -1;
    if (n !== want) fault(where + " search", `${JSON.stringify(words)} kept ${got}, not ${want} of ${keys.length}`);
  }
  // Sorted by name, both ways: folders first, each part by path.
  await page.evaluate(() => { const q = document.getElementById("q"); q.value = ""; q.dispatchEvent(new Event("input")); });
  const byPath = (a, b) => b.isDir - a.isDir || (a.key < b.key ? -1 : a.key > b.key ? 1 : 0);
  for (const dir of [1, -1]) {
    const got = await page.evaluate(() => new Promise((done) => {
      document.querySelector('#head [data-key="name"] button').click();
      setTimeout(() => done([...document.querySelectorAll("#rows .row a")].map((a) => a.title)), 100);
    }));
    const want = entries.slice().sort((a, b) => byPath(a, b) * (a.isDir === b.isDir ? dir : 1)).map((e) => e.shown);
    if (JSON.stringify(got) !== JSON.stringify(want)) fault(where + " name sort", `${dir > 0 ? "up" : "down"}: ${JSON.stringify(got)}`);
  }
  await page.close();
}

// Waits until the table has read its whole data block.
// The search and sort live in the address: an address opens its view, a
// change of view changes the address, and an address edited by hand is
// shown.
async function checkTableAddress(where) {
  where += " address";
  const src = build(where, tree.many(300), { format: "table.txt", save: "list.html", subfolders: 0 });
  if (!src) return;
  const page = await browser.newPage();
  await page.setViewport({ width: 1000, height: 900 });
  await page.goto(pathToFileURL(path.join(src, "list.html")).href + "#q=file%20010&sort=-name", { waitUntil: "load" });
  await tableLoaded(page);
  let names = await shownNames(page);
  const descending = [...names].sort().reverse();
  if (names.length < 10 || names.some((n) => !n.includes("010")) || JSON.stringify(names) !== JSON.stringify(descending)) fault(where, `opened with ${JSON.stringify(names)}`);
  const q = await page.$eval("#q", (el) => el.value);
  if (q !== "file 010") fault(where, `search box holds ${JSON.stringify(q)}`);
  await page.$eval("#q", (el) => { el.value = "file 02"; el.dispatchEvent(new Event("input")); });
  await page.waitForFunction(() => /q=file%2002/.test(location.hash), { timeout: 5000 }).catch(() => {});
  let hash = await page.evaluate(() => location.hash);
  if (hash !== "#q=file%2002&sort=-name") fault(where, `after a search the address ends in ${JSON.stringify(hash)}`);
  await page.evaluate(() => [...document.querySelectorAll("button")].find((b) => b.textContent.trim() === "Name").click());
  hash = await page.evaluate(() => location.hash);
  if (hash !== "#q=file%2002&sort=name") fault(where, `after a sort the address ends in ${JSON.stringify(hash)}`);
  await page.evaluate(() => { location.hash = "#q=file%200299"; });
  await page.waitForFunction(() => document.querySelectorAll("#rows .row").length === 1, { timeout: 5000 }).catch(() => {});
  names = await shownNames(page);
  if (names.length !== 1 || !names[0].includes("file 0299")) fault(where, `an edited address shows ${JSON.stringify(names.slice(0, 5))}`);
  await page.close();
}

function tableLoaded(page) {
  return page.waitForFunction(() => /entries$/.test(document.getElementById("count").textContent), { timeout: 60000 });
}

// The rows wholly in sight (inside the window and the table's pane).
function rowsInSight(page) {
  return page.evaluate(() => {
    const pane = document.getElementById("pane").getBoundingClientRect();
    return [...document.querySelectorAll("#rows .row")].filter((r) => {
      const b = r.getBoundingClientRect();
      return !r.classList.contains("away") && b.top >= Math.max(0, pane.top) - 1 && b.bottom <= Math.min(innerHeight, pane.bottom) + 1;
    }).length;
  });
}

async function press(page, key) {
  await page.keyboard.press(key);
  await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => setTimeout(r, 20))));
}

// Keys, focus, what assistive technology is told, printing, 400 % zoom and
// touch, on a table of n files named "file 0000.txt" onwards.
async function checkTableAccess(where, src, n) {
  const file = path.join(src, "list.html");
  let page = await openPage(file, 1000, 700, () => {
    // Every change of a live region, from the first parse on.
    window.__spoken = [];
    new MutationObserver((records) => {
      for (const r of records) {
        const live = (r.target.nodeType === 1 ? r.target : r.target.parentElement).closest("[aria-live]");
        if (live) window.__spoken.push(live.textContent);
      }
    }).observe(document, { subtree: true, childList: true, characterData: true });
    // What was laid out for printing, read before the page clears it.
    window.addEventListener("afterprint", () => {
      window.__printed = [...document.querySelectorAll("#print li")].map((li) => li.textContent);
    });
  });
  await tableLoaded(page);
  let spoken = await page.evaluate(() => window.__spoken.slice());
  if (spoken.length) fault(where + " live count", `spoke while loading: ${JSON.stringify(spoken.slice(0, 3))}`);
  // The row count and each row's index.
  const aria = await page.evaluate(() => ({
    count: document.getElementById("box").getAttribute("aria-rowcount"),
    rows: [...document.querySelectorAll("#rows .row")].slice(0, 5).map((r) => [r.getAttribute("aria-rowindex"), r.textContent]),
  }));
  if (+aria.count !== n + 1) fault(where + " rows", `aria-rowcount ${aria.count}, not ${n + 1}`);
  for (const [index, text] of aria.rows) {
    const m = /file (\d+)/.exec(text);
    if (!m || +index !== +m[1] + 2) fault(where + " rows", `row ${JSON.stringify(text.slice(0, 20))} has aria-rowindex ${index}`);
  }
  // Keys: from the first row's link, move about.
  await page.focus("#q");
  await press(page, "Shift");
  await page.evaluate(() => document.querySelector("#rows a").focus());
  const moves = [["End", n - 1], ["Home", 0], ["PageDown", null], ["ArrowDown", null], ["PageUp", null], ["End", n - 1], ["ArrowUp", n - 2]];
  let last = await focusedRow(page);
  if (last !== 0) fault(where + " keys", `the first row's link is ${last}`);
  for (const [key, want] of moves) {
    await press(page, key);
    const at = await focusedRow(page);
    const ok = typeof at === "number" && (want !== null ? at === want
      : key === "PageDown" ? at > last + 3 : key === "PageUp" ? at < last - 3 : at === last + 1);
    if (!ok) fault(where + " keys", `${key} after row ${last} went to ${at}`);
    if (typeof at === "number" && (await rowsInSight(page)) && !(await page.evaluate(() => {
      const r = document.activeElement.getBoundingClientRect(), p = document.getElementById("pane").getBoundingClientRect();
      return r.top >= p.top - 1 && r.bottom <= p.bottom + 1;
    }))) fault(where + " keys", `row ${at} has the focus out of sight after ${key}`);
    last = at;
  }
  // The focus ring stands out from the row (3:1) and is not hairline.
  const ring = await access.focusRing(page);
  if (!ring || ring.width < 2 || ring.contrast < 3) fault(where + " focus ring", JSON.stringify(ring));
  // Scrolling the focused row away keeps the focus in the table, and the
  // next Tab goes on among the rows in sight.
  await press(page, "Home");
  await page.evaluate(() => { document.getElementById("box").scrollTop = 1e6; });
  await page.evaluate(() => new Promise((r) => setTimeout(r, 100)));
  const held = await focusedRow(page);
  if (held !== 0) fault(where + " focus", `scrolled away, the focus went to ${held}`);
  await press(page, "Tab");
  const after = await focusedRow(page);
  if (typeof after !== "number") fault(where + " focus", `Tab after scrolling went to ${after}`);
  // A search speaks once; printing prints every entry it keeps.
  const kept = Array.from({ length: n }, (_, i) => `file ${String(i).padStart(4, "0")}.txt`).filter((f) => f.includes("1"));
  await page.focus("#q");
  await page.keyboard.type("1");
  await page.waitForFunction(() => / of /.test(document.getElementById("count").textContent), { timeout: 5000 }).catch(() => {});
  await page.evaluate(() => new Promise((r) => setTimeout(r, 300)));
  spoken = await page.evaluate(() => window.__spoken.slice());
  if (spoken.length !== 1 || !spoken[0].startsWith(`${kept.length} of ${n} `)) fault(where + " live count", `search said ${JSON.stringify(spoken)}`);
  const pdf = Buffer.from(await page.pdf({ format: "A4" }));
  const printed = await page.evaluate(() => window.__printed || []);
  const pages = (pdf.toString("latin1").match(/\/Type\s*\/Page[^s]/g) || []).length;
  if (printed.length !== kept.length || printed.some((t, i) => !t.startsWith(kept[i]))) fault(where + " print", `printed ${printed.length} of ${kept.length} entries: ${JSON.stringify(printed.slice(0, 2))}`);
  if (pages < 3) fault(where + " print", `${pages} page(s) for ${kept.length} entries`);
  await page.close();
  // 400 % zoom of a 1280 x 1024 screen: the table still shows several rows.
  page = await openPage(file, 320, 256);
  await tableLoaded(page);
  await page.evaluate(() => document.getElementById("box").scrollIntoView());
  await page.evaluate(() => new Promise((r) => setTimeout(r, 100)));
  const zoomed = await rowsInSight(page);
  if (zoomed < 3) fault(where + " 400% zoom", `${zoomed} rows in sight at 320 x 256`);
  await page.close();
}

// On a phone a cut name opens in full when its row is tapped beside the link.
async function checkTableTouch(where) {
  const long = "A long name that a phone cuts ".repeat(4).trim() + ".txt";
  const src = build(where + " touch", [[long, "x"], ["short.txt", "y"]], { format: "table.txt", save: "list.html", subfolders: 0 });
  if (!src) return;
  const page = await browser.newPage();
  await page.emulate({ viewport: { width: 390, height: 844, isMobile: true, hasTouch: true, deviceScaleFactor: 1 }, userAgent: "" });
  await page.goto(pathToFileURL(path.join(src, "list.html")).href, { waitUntil: "load" });
  await tableLoaded(page);
  const cell = await page.evaluate((name) => {
    const row = [...document.querySelectorAll("#rows .row")].find((r) => r.textContent.includes(name.slice(0, 20)));
    const nm = row.querySelector(".nm"), size = row.querySelector(".c-size").getBoundingClientRect();
    return { cut: nm.scrollWidth > nm.clientWidth + 1, x: size.left + size.width / 2, y: size.top + size.height / 2 };
  }, long);
  if (!cell.cut) fault(where + " touch", "the long name is not cut at 390 px; nothing to check");
  await page.touchscreen.tap(cell.x, cell.y);
  await page.evaluate(() => new Promise((r) => setTimeout(r, 100)));
  const full = await page.evaluate((name) => {
    const nm = [...document.querySelectorAll("#rows .nm")].find((n) => n.textContent.startsWith(name.slice(0, 20)));
    const r = nm.getBoundingClientRect();
    return nm.textContent === name && nm.scrollWidth <= nm.clientWidth + 1 && r.right <= innerWidth && r.bottom <= innerHeight;
  }, long);
  if (!full) fault(where + " touch", "tapping the row does not show the whole name");
  await page.close();
}

// Without scripts every HTML style still shows its entries.
async function checkWithoutScripts(where, style) {
  for (const perFolder of [false, true]) {
    const src = build(where + " no scripts", tree.plain(), { format: style, save: "list.html", subfolders_in_one_file: perFolder ? 0 : 1 });
    if (!src) continue;
    const page = await browser.newPage();
    await page.setJavaScriptEnabled(false);
    await page.goto(pathToFileURL(path.join(src, "list.html")).href, { waitUntil: "load" });
    await new Promise((r) => setTimeout(r, 300));  // a frame drawn (page timers stop without scripts)
    const text = await page.evaluate(() => document.body.innerText);
    for (const name of perFolder ? ["alpha.txt", "beta.png", "gamma"] : ["alpha.txt", "beta.png", "gamma", "delta.txt"]) {
      if (!text.includes(name)) fault(`${where} no scripts${perFolder ? " per folder" : ""}`, `${name} not shown`);
    }
    await page.close();
  }
}

// A folder's README shows under its listing as text, never as markup.
async function checkReadme(where, style) {
  const text = "Read <b>me</b> & <script>window.__ran.push('readme')</script>\nsecond line";
  const src = build(where + " readme", [["README.md", text], ["a.txt", "a"], ["sub", [["README", "inner readme"]]]],
    { format: style, save: "list.html", subfolders_in_one_file: 0 });
  if (!src) return;
  for (const [dir, want] of [[src, text], [path.join(src, "sub"), "inner readme"]]) {
    const page = await openPage(path.join(dir, "list.html"), 1000, 900);
    const got = await page.evaluate(() => {
      const pre = document.querySelector(".readme pre");
      return { shown: pre && pre.offsetParent ? pre.innerText : null, bold: document.querySelectorAll(".readme b, .readme script").length, ran: window.__ran };
    });
    if (got.shown !== want || got.bold || got.ran.length) fault(`${where} readme ${path.relative(src, dir) || "top"}`, JSON.stringify(got));
    await page.close();
  }
}

async function checkGallery(where) {
  const src = build(where + " pictures", tree.mixed(), { format: "gallery.txt", save: "g.html", subfolders: 0 });
  if (!src) return;
  const page = await openPage(path.join(src, "g.html"), 1000, 3000);
  // Each tile shows its picture, or its type's icon when it has none.
  const tiles = await page.$$eval(".thumb", (thumbs) => thumbs.map((t) => {
    const img = t.querySelector("img");
    const picture = img && !img.hidden && img.complete && img.naturalWidth > 0;
    return { name: t.parentNode.textContent, picture, icon: !picture && /^url\(/.test(getComputedStyle(t).backgroundImage), broken: !!img && !img.hidden && !picture };
  }));
  for (const t of tiles) if (t.broken || !(t.picture || t.icon)) fault(where + " pictures", "nothing shown for " + JSON.stringify(t.name));
  const photo = tiles.find((t) => t.name.startsWith("photo.png"));
  if (!photo || !photo.picture) fault(where + " pictures", "photo.png is not its own thumbnail");
  await page.close();
}

async function checkByteUnits(where, file) {
  const page = await openPage(file, 1280, 3000);
  const sizes = await page.$$eval(".files .meta b, .file .meta, .cap small", (els) => els.map((el) => {
    let t = "";
    for (const n of el.querySelectorAll("*")) t += getComputedStyle(n, "::before").content.replace(/^"|"$/g, "").replace(/^none$/, "");
    return el.textContent + " " + t;
  }));
  for (const s of sizes) if (!/\d\s*(bytes|B|Kb|Mb)\b/.test(s)) fault(where + " units", `size without a unit: ${JSON.stringify(s)}`);
  await page.close();
}

// ------------------------------------------------------------ served pages

// A web server over the scratch folder: a file's bytes, 200 with no body for
// a folder, 404 for anything else. Every request it answers is counted.
let server, port, served = [];
function startServer() {
  const http = require("http");
  server = http.createServer((req, res) => {
    const file = Buffer.concat([Buffer.from(work), percentBytes(new URL(req.url, "http://x").pathname)]);
    let st = null;
    try { st = fs.statSync(file); } catch (e) { /* missing */ }
    served.push({ url: req.url, status: st ? 200 : 404 });
    if (!st) { res.writeHead(404); res.end(); return; }
    res.writeHead(200, { "Content-Type": st.isDirectory() ? "text/plain" : req.url.endsWith(".html") ? "text/html; charset=utf-8" : "application/octet-stream" });
    res.end(st.isDirectory() ? "" : fs.readFileSync(file));
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server.address().port)));
}

// Waits (up to 20 s) until the page shows at least n links besides its
// trail and parent links, for styles whose script draws the rows.
function entryLinksDrawn(page, n) {
  return page.waitForFunction((n) => [...document.querySelectorAll("a[href]")].filter((a) => !a.closest("nav") && !a.classList.contains("up")).length >= n, { timeout: 20000 }, n).catch(() => {});
}

// A one-file listing saved outside the listed folder, opened over HTTP:
// without base_url its links lead from the page's own folder; with one they
// start with it. Either way every entry opens and every icon loads (the
// icons embedded, as by default); the browser's own favicon request aside,
// the page asks for nothing the server lacks.
async function checkServed(style, port) {
  const cases = [[false, tree.plain()], [true, tree.plain()], [true, tree.many(LARGE)]];
  for (const [withBase, layout] of cases) {
    const large = layout.length >= LARGE;
    const where = `${style} / served${withBase ? " with base_url" : ""}${large ? ", large" : ""}`;
    const out = path.join(work, "served" + runs);
    fs.mkdirSync(out);
    const listing = path.join(out, "listing.html");
    const srcName = "src" + (runs + 1);
    const settings = { format: style, save: listing, image_dir: "" };
    if (withBase) settings.base_url = `http://127.0.0.1:${port}/${srcName}/`;
    const src = build(where, layout, settings);
    if (!src) continue;
    served = [];
    const page = await browser.newPage();
    const failed = [];
    page.on("requestfailed", (r) => failed.push(r.url()));
    await page.goto(`http://127.0.0.1:${port}/${path.relative(work, listing)}`, { waitUntil: "load", timeout: 60000 });
    await entryLinksDrawn(page, 4);
    const seen = await inspect(page);
    await page.close();
    for (const u of failed) fault(where, "request failed: " + u);
    for (const r of served) if (r.status !== 200 && r.url !== "/favicon.ico") fault(where, `the page asked for ${r.url}: ${r.status}`);
    const links = [];
    for (const href of seen.links) {
      const u = new URL(href);
      if (u.origin !== `http://127.0.0.1:${port}`) { fault(where, "link leaves the server: " + href); continue; }
      links.push("file://" + work + u.pathname);
    }
    // A large listing draws only the entries in sight: those must open.
    const entries = large ? [] : expectedEntries(src, true, () => false);
    if (large && links.length < 10) fault(where, `${links.length} links drawn`);
    checkLinks(where, links, entries, null);
  }
}

// ------------------------------------------------------------ archives

// An archive whose members climb with "..": the names show as the archive
// holds them, but no link leads above the folder the listing is saved in.
async function checkClimbingMembers(style) {
  const where = `${style} / archive with .. members`;
  const out = path.join(work, "climb" + runs);
  fs.mkdirSync(out);
  const tar = path.join(out, "climb.tar");
  const py = `
import io, sys, tarfile
with tarfile.open(sys.argv[1], "w", format=tarfile.GNU_FORMAT) as t:
    for name in ["../../etc/passwd", "docs/../../../up.txt", "ok.txt"]:
        info = tarfile.TarInfo(name); info.size = 2
        t.addfile(info, io.BytesIO(b"x\\n"))`;
  const made = spawnSync("python3", ["-c", py, tar], { encoding: "utf8" });
  if (made.status !== 0) { fault(where, "python tarfile: " + made.stderr); return; }
  const listing = path.join(out, "listing.html");
  if (!build(where, tree.plain(), { format: style, source: 1, path: tar, save: listing })) return;
  const page = await openPage(listing, 1280, 3000);
  await entryLinksDrawn(page, 3);
  const seen = await inspect(page);
  await page.close();
  for (const name of ["passwd", "up.txt", "ok.txt"]) {
    if (!seen.text.includes(name)) fault(where, `name ${name} not shown`);
  }
  let linked = 0;
  for (const href of seen.links) {
    const u = new URL(href);
    if (u.protocol !== "file:") continue;
    const p = percentBytes(u.pathname).toString();
    if (p === listing) continue;  // the trail's link to the listing itself
    linked++;
    if (!p.startsWith(out + "/")) fault(where, `link ${href} leads out of ${out}`);
  }
  if (linked < 3) fault(where, `${linked} entry links, not 3 or more`);
}

// ------------------------------------------------------------ large listings

// From LARGE entries on, the links, download, tree and gallery styles draw
// only the entries in sight, from a data block; below it they are markup.
const LARGE = 2001;

// The entry links of the list in page order (the parent, trail and the
// tree's "open" links aside).
function entryLinks(page) {
  return page.$$eval("a[href]", (as) => as.filter((a) => !a.classList.contains("up") && !a.classList.contains("go") && !a.closest("nav") && !a.closest(".away"))
    .map((a) => ({ text: a.textContent, href: a.href })));
}

// The focused entry's number ("entry 00042.txt" is 42), or what has the
// focus instead.
function focusedEntry(page) {
  return page.evaluate(() => {
    const a = document.activeElement, m = a && /entry (\d+)/.exec(a.textContent);
    return m ? +m[1] : a ? a.tagName + "#" + a.id : "nothing";
  });
}

async function checkLarge(style) {
  const where = style + " large";
  // Both sides of the threshold: plain markup, then drawn entries.
  for (const n of [LARGE - 1, LARGE]) {
    const src = build(`${where} ${n}`, tree.plenty(n), { format: style, save: "list.html", subfolders: 0 });
    if (!src) return;
    const page = await openPage(path.join(src, "list.html"), 1000, 800);
    const links = await entryLinks(page);
    const drawn = await page.evaluate(() => !!document.getElementById("box"));
    if (n < LARGE && (drawn || links.length !== n)) fault(`${where} ${n}`, `${links.length} links in markup, drawn by script: ${drawn}`);
    if (n < LARGE) { await page.close(); continue; }
    if (!drawn || links.length > 300 || !links.length) fault(`${where} ${n}`, `${links.length} entries drawn of ${n}, by script: ${drawn}`);
    for (const l of links) if (!fs.existsSync(percentBytes(new URL(l.href).pathname))) fault(where, "dead link " + l.href);
    for (const v of await access.axeBothSchemes(page)) fault(where, "axe: " + v);
    await checkLargeKeys(where, page, n);
    await checkLargeSearch(where, page, n, src);
    await checkLargePrint(where, page, n);
    await page.close();
    // Without scripts the data block shows every entry as a line.
    const plain = await browser.newPage();
    await plain.setJavaScriptEnabled(false);
    await plain.goto(pathToFileURL(path.join(src, "list.html")).href, { waitUntil: "load" });
    const text = await plain.evaluate(() => document.body.innerText);
    for (const name of ["entry 00000.txt", "entry 01000.txt", `entry ${String(n - 1).padStart(5, "0")}.txt`]) {
      if (!text.includes(name)) fault(`${where} no scripts`, `${name} not shown`);
    }
    // A search box that cannot search is not offered.
    if (await plain.evaluate(() => !!document.getElementById("q").offsetParent)) fault(`${where} no scripts`, "the search box shows");
    await plain.close();
  }
  // Links HTML-escaped by the settings open their files too.
  const amp = "a&b \"q\".txt";
  const esc = build(`${where} escaped links`, [[amp, "x"], ...tree.plenty(LARGE)], { format: style, save: "list.html", subfolders: 0, url_html_escape: 1 });
  if (esc) {
    const page = await openPage(path.join(esc, "list.html"), 1000, 800);
    const got = (await entryLinks(page)).find((l) => l.text.includes("a&b"));
    if (!got || percentBytes(new URL(got.href).pathname).toString() !== path.join(esc, amp)) fault(where + " escaped links", JSON.stringify(got));
    await page.close();
  }
  // Hostile names in a large listing: shown by the visible-name rule,
  // linked, in one file and (the top folder's listing) per folder.
  for (const perFolder of [false, true]) {
    const w = `${where} / ${perFolder ? "per folder" : "one file"}`;
    const save = perFolder ? "listing.html" : path.join(work, `large-${runs + 1}.html`);
    const src = build(w, tree.hostileAmong(LARGE), { format: style, save, subfolders_in_one_file: perFolder ? 0 : 1 });
    if (!src) continue;
    const skip = (name) => name.toString().startsWith("listing") || name.toString() === ".dirgen-listings" || name.toString().startsWith("zz ");
    const file = perFolder ? path.join(src, save) : save;
    const page = await openPage(file, 1280, 3000);
    if (!(await page.evaluate(() => !!document.getElementById("box")))) fault(w, "not drawn by script");
    await page.close();
    await checkHtmlListing(w, file, expectedEntries(src, !perFolder, skip), perFolder ? save : null, true,
      { name: Buffer.from(path.basename(src)), listings: [file] });
  }
}

// The tree of a large listing folds: by a click, by Right and Left on a
// folder, and all at once; the keys then move among what is shown.
// Printing a large listing prints every entry shown, not the screenful
// drawn: with the search cleared, all n of them in order.
async function checkLargePrint(where, page, n) {
  await page.evaluate(() => {
    // Added after the page's own listener, so it reads the list that one
    // laid out.
    window.addEventListener("beforeprint", () => {
      window.__printed = [...document.querySelectorAll(".printed li")].map((li) => li.textContent);
    });
    const q = document.getElementById("q");
    q.value = "";
    q.dispatchEvent(new Event("input"));
  });
  await page.waitForFunction((n) => document.getElementById("count").textContent.startsWith(n + " "), { timeout: 10000 }, n).catch(() => {});
  const pdf = Buffer.from(await page.pdf({ format: "A4" }));
  const printed = await page.evaluate(() => window.__printed || []);
  const pages = (pdf.toString("latin1").match(/\/Type\s*\/Page[^s]/g) || []).length;
  const last = `entry ${String(n - 1).padStart(5, "0")}.txt`;
  if (printed.length !== n || !printed[0].startsWith("entry 00000.txt") || !printed[n - 1].startsWith(last)) {
    fault(where + " print", `printed ${printed.length} of ${n} entries: ${JSON.stringify(printed.slice(0, 2))}`);
  }
  if (pages < 20) fault(where + " print", `${pages} page(s) for ${n} entries`);
  const left = await page.evaluate(() => document.querySelectorAll(".printed").length);
  if (left) fault(where + " print", "the printed list stays on screen after printing");
}

async function checkLargeTree(where) {
  const src = build(where + " folding", tree.folders(Math.ceil(LARGE / 3)), { format: "tree.txt", save: "list.html" });
  if (!src) return;
  const page = await openPage(path.join(src, "list.html"), 1000, 800);
  const rows = () => page.$$eval("#rows > li:not(.away)", (lis) => lis.slice(0, 4).map((li) => {
    const b = li.querySelector("button");
    return b ? b.textContent + " " + b.getAttribute("aria-expanded") : li.querySelector("a").textContent;
  }));
  const expect = async (what, want) => {
    const got = await rows();
    if (JSON.stringify(got) !== JSON.stringify(want)) fault(where + " folding", `${what}: ${JSON.stringify(got)}`);
  };
  await expect("at first", ["folder 000/ true", "a.txt", "b.txt", "folder 001/ true"]);
  await page.click("#rows button");
  await press(page, "Shift");
  await expect("clicked", ["folder 000/ false", "folder 001/ true", "a.txt", "b.txt"]);
  await press(page, "ArrowRight");
  await expect("Right", ["folder 000/ true", "a.txt", "b.txt", "folder 001/ true"]);
  await page.click("#close-all");
  await expect("all folded", ["folder 000/ false", "folder 001/ false", "folder 002/ false", "folder 003/ false"]);
  await page.evaluate(() => document.querySelector("#rows button").focus());
  await press(page, "End");
  const last = await page.evaluate(() => document.activeElement.textContent);
  if (last !== `folder ${String(Math.ceil(LARGE / 3) - 1).padStart(3, "0")}/`) fault(where + " folding", `End went to ${JSON.stringify(last)}`);
  await page.close();
}

// Arrows, Home and End move the focus among all the entries, and Tab
// walks on past the first screen.
async function checkLargeKeys(where, page, n) {
  const next = await page.evaluate(() => document.getElementById("box").getAttribute("data-style") === "gallery" ? "ArrowRight" : "ArrowDown");
  await page.evaluate(() => document.querySelector("#rows a").focus());
  const moves = [["End", n - 1], ["Home", 0], [next, 1], [next, 2], ["End", n - 1], ["Home", 0]];
  for (const [key, want] of moves) {
    await press(page, key);
    const at = await focusedEntry(page);
    if (at !== want) fault(where + " keys", `${key} went to ${at}, not ${want}`);
    const inSight = await page.evaluate(() => {
      const r = document.activeElement.getBoundingClientRect();
      return r.top >= -1 && r.bottom <= innerHeight + 1;
    });
    if (!inSight) fault(where + " keys", `entry ${at} has the focus out of sight after ${key}`);
  }
  let last = 0;
  for (let i = 0; i < 40; i++) {
    await press(page, "Tab");
    const at = await focusedEntry(page);
    if (typeof at !== "number" || at !== last + 1) { fault(where + " keyboard", `Tab ${i + 1} went to ${at} after entry ${last}`); break; }
    last = at;
  }
  const ring = await access.focusRing(page);
  if (!ring || ring.width < 2 || ring.contrast < 3) fault(where + " focus ring", JSON.stringify(ring));
}

// The search box finds an entry far from the first screen, says how many
// it found, and the entry's link opens it.
async function checkLargeSearch(where, page, n, src) {
  const name = `entry ${String(n - 2).padStart(5, "0")}.txt`;
  await page.evaluate(() => { window.scrollTo(0, 0); document.getElementById("q").focus(); });
  await page.keyboard.type(String(n - 2).padStart(5, "0"));
  await page.waitForFunction((want) => document.getElementById("said").textContent === want, { timeout: 10000 }, `1 of ${n} entries`).catch(() => {});
  const said = await page.evaluate(() => document.getElementById("said").textContent);
  const links = await entryLinks(page);
  if (said !== `1 of ${n} entries`) fault(where + " search", `said ${JSON.stringify(said)}`);
  if (links.length !== 1 || !links[0].text.includes(name)) fault(where + " search", `drawn ${JSON.stringify(links.slice(0, 3))}`);
  else if (percentBytes(new URL(links[0].href).pathname).toString() !== path.join(src, name)) fault(where + " search", `link ${links[0].href}`);
}

// ------------------------------------------------------------ the run

function styles() {
  const text = fs.readFileSync(path.join(root, "kvdata", "styles.txt"), "utf8");
  return [...text.matchAll(/<style_file>([^<]*)<\/style_file>/g)].map((m) => m[1]);
}

async function checkStyle(style) {
  const head = fs.readFileSync(path.join(root, "kvdata", style), "utf8").slice(0, 200).toLowerCase();
  const kind = head.startsWith("<!doctype html") ? "html" : style.replace(/\.txt$/, "");
  const ext = { html: ".html", markdown: ".md", json: ".jsonl", csv: ".csv" }[kind] || ".txt";
  // The build's own files: its listings and the record of them.
  const skip = (name) => name.toString().startsWith("listing") || name.toString() === ".dirgen-listings";
  for (const perFolder of [false, true]) {
    const where = `${style} / ${perFolder ? "per folder" : "one file"}`;
    const listing = "listing" + ext;
    const single = path.join(work, "single" + ext);
    const src = build(where, tree.hostile(), { format: style, save: perFolder ? listing : single, subfolders_in_one_file: perFolder ? 0 : 1 });
    if (!src) continue;
    // The single-file listing lies outside the tree: its links lead into it
    // from where it was saved.
    let outputs;
    if (perFolder) {
      outputs = tree.folderPaths(src).map((dir) => ({ dir, file: path.join(dir, listing), entries: expectedEntries(dir, false, skip) }));
    } else {
      outputs = [{ dir: src, file: single, entries: expectedEntries(src, true, skip) }];
    }
    for (const o of outputs) {
      const w = where + (o.dir === src ? "" : " " + JSON.stringify(path.relative(src, o.dir)));
      if (!fs.existsSync(o.file)) { fault(w, "no listing " + o.file); continue; }
      const linkTo = perFolder ? listing : null;
      // The trail: the top folder, then every folder down to this one.
      const chain = [src];
      for (const part of path.relative(src, o.dir).split(path.sep).filter(Boolean)) chain.push(path.join(chain[chain.length - 1], part));
      const trail = { name: Buffer.from(path.basename(o.dir)), listings: perFolder ? chain.map((d) => path.join(d, listing)) : [o.file] };
      if (kind === "html") await checkHtmlListing(w, o.file, o.entries, linkTo, true, trail);
      else if (kind === "markdown") await checkMarkdown(w, o.file, o.entries, linkTo);
      else if (kind === "json") checkJson(w, o.file, o.entries, o.dir);
      else if (kind === "csv") checkCsv(w, o.file, o.entries, o.dir);
      else checkPlain(w, o.file, o.entries, o.dir);
    }
    if (kind === "html" && !perFolder && /download|gallery|tree/.test(style)) await checkByteUnits(where, outputs[0].file);
  }
  if (kind === "html") await checkWithoutScripts(style, style);
  if (/^(download|links|tree|gallery)\.txt$/.test(style)) await checkLarge(style);
  if (style === "tree.txt") await checkLargeTree(style + " large");
  if (/^(download|links|table)\.txt$/.test(style)) await checkReadme(style, style);
  if (style === "table.txt") await checkTable(style);
  if (style === "gallery.txt") await checkGallery(style);
  if (kind === "html") await checkServed(style, port);
  if (kind === "html") await checkClimbingMembers(style);
}

(async () => {
  browser = await puppeteer.launch({
    executablePath: process.env.DIRGEN_CHROMIUM || "/usr/bin/chromium",
    headless: true,
    userDataDir: path.join(work, "profile"),
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--allow-file-access-from-files"],
  });
  port = await startServer();
  try {
    for (const style of styles()) {
      if (only.length && !only.includes(style)) continue;
      await checkStyle(style);
    }
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
  console.log(`check_styles: ${runs} builds, ${faults.length ? faults.length + " faults" : "ok"}`);
  process.exit(faults.length ? 1 : 0);
})().catch((e) => { console.error(e); process.exit(1); });
