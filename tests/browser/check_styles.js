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

// The texts a page may show for a name: stray bytes as U+FFFD or as their
// Latin-1 characters, line breaks and tabs as blanks.
function shownForms(name) {
  const blank = (s) => s.replace(/\s+/g, " ");
  const forms = [blank(name.toString("utf8"))];
  if (!Buffer.from(name.toString("utf8")).equals(name)) forms.push(blank(name.toString("latin1")));
  return forms;
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

async function checkHtmlListing(where, file, entries, listingName, narrow) {
  let page = await openPage(file, 1280, 3000);
  const seen = await inspect(page);
  checkShown(where, seen, entries, page.__errors);
  checkLinks(where, seen.links, entries, listingName);
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
    if (!fs.existsSync(Buffer.concat([Buffer.from(top + "/"), percentBytes(e.link)]))) fault(where, `link ${e.link} opens nothing`);
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
    if (!fs.existsSync(Buffer.concat([Buffer.from(top + "/"), percentBytes(row[2].toString())]))) fault(where, `link ${row[2]} opens nothing`);
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

// The names of the list's links in page order (the parent link aside).
function shownNames(page) {
  return page.$$eval("a[href]", (as) => as.filter((a) => a.offsetParent && !a.classList.contains("up")).map((a) => a.textContent.trim()));
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
  // Dates sort by time, whatever the format shows.
  src = build(where + " dates", tree.dated(40), { format: "table.txt", save: "list.html", subfolders: 0, date_format: "%d.%m.%Y %H:%M" });
  if (src) {
    const page = await openPage(path.join(src, "list.html"), 1000, 1600);
    await page.evaluate(() => [...document.querySelectorAll("button")].find((b) => b.textContent.trim() === "Date").click());
    await page.evaluate(() => new Promise((r) => setTimeout(r, 50)));
    const names = await shownNames(page);
    const times = names.map((n) => fs.statSync(path.join(src, n)).mtimeMs);
    if (!names.length || times.some((t, i) => i && t < times[i - 1])) fault(where + " date sort", `order ${names.slice(0, 8).join(", ")}`);
    await page.close();
  }
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

async function checkGallery(where) {
  const src = build(where + " pictures", tree.mixed(), { format: "gallery.txt", save: "g.html", subfolders: 0 });
  if (!src) return;
  const page = await openPage(path.join(src, "g.html"), 1000, 3000);
  const broken = await page.$$eval("img", (imgs) => imgs.filter((i) => !i.complete || !i.naturalWidth).map((i) => i.getAttribute("src")));
  for (const b of broken) fault(where + " pictures", "broken picture " + b);
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

// ------------------------------------------------------------ the run

function styles() {
  const text = fs.readFileSync(path.join(root, "kvdata", "styles.txt"), "utf8");
  return [...text.matchAll(/<style_file>([^<]*)<\/style_file>/g)].map((m) => m[1]);
}

async function checkStyle(style) {
  const head = fs.readFileSync(path.join(root, "kvdata", style), "utf8").slice(0, 200).toLowerCase();
  const kind = head.startsWith("<!doctype html") ? "html" : style.replace(/\.txt$/, "");
  const ext = { html: ".html", markdown: ".md", json: ".jsonl", csv: ".csv" }[kind] || ".txt";
  const skip = (name) => name.toString().startsWith("listing");
  for (const perFolder of [false, true]) {
    const where = `${style} / ${perFolder ? "per folder" : "one file"}`;
    const listing = "listing" + ext;
    const single = path.join(work, "single" + ext);
    const src = build(where, tree.hostile(), { format: style, save: perFolder ? listing : single, subfolders_in_one_file: perFolder ? 0 : 1 });
    if (!src) continue;
    // The single-file listing goes beside the tree, so that it lists the
    // tree and its links lead into it.
    let outputs;
    if (perFolder) {
      outputs = tree.folderPaths(src).map((dir) => ({ dir, file: path.join(dir, listing), entries: expectedEntries(dir, false, skip) }));
    } else {
      fs.renameSync(single, path.join(src, listing));
      outputs = [{ dir: src, file: path.join(src, listing), entries: expectedEntries(src, true, skip) }];
    }
    for (const o of outputs) {
      const w = where + (o.dir === src ? "" : " " + JSON.stringify(path.relative(src, o.dir)));
      if (!fs.existsSync(o.file)) { fault(w, "no listing " + o.file); continue; }
      const linkTo = perFolder ? listing : null;
      if (kind === "html") await checkHtmlListing(w, o.file, o.entries, linkTo, true);
      else if (kind === "markdown") await checkMarkdown(w, o.file, o.entries, linkTo);
      else if (kind === "json") checkJson(w, o.file, o.entries, o.dir);
      else if (kind === "csv") checkCsv(w, o.file, o.entries, o.dir);
      else checkPlain(w, o.file, o.entries, o.dir);
    }
    if (kind === "html" && !perFolder && /download|gallery|tree/.test(style)) await checkByteUnits(where, outputs[0].file);
  }
  if (style === "table.txt") await checkTable(style);
  if (style === "gallery.txt") await checkGallery(style);
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
  try {
    for (const style of styles()) {
      if (only.length && !only.includes(style)) continue;
      await checkStyle(style);
    }
  } finally {
    await browser.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
  console.log(`check_styles: ${runs} builds, ${faults.length ? faults.length + " faults" : "ok"}`);
  process.exit(faults.length ? 1 : 0);
})().catch((e) => { console.error(e); process.exit(1); });
