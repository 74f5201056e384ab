// Times the table page in headless Chromium; see table_bench.sh.
// Usage: node table_bench.js PAGE ENTRIES, or PAGE FILES FOLDERS for a page
// of make_tree.py's tree (FILES files in FOLDERS folders and their groups).
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const { pathToFileURL } = require("url");
const puppeteer = require("puppeteer-core");

const [page_, files, folders] = process.argv.slice(2);
const entries = folders === undefined ? +files : +files + +folders + Math.ceil(+folders / 50);
const load = () => fs.readFileSync("/proc/loadavg", "utf8").split(" ").slice(0, 3).join(" ");
// Each figure with the machine's load average beside it.
function report(text) { console.log(`${text}  [load ${load()}]`); }

async function open(browser, beforeScripts) {
  const page = await browser.newPage();
  page.on("error", (e) => { console.log(`the tab crashed: ${e}`); process.exit(1); });
  page.on("pageerror", (e) => console.log(`page error: ${e}`));
  await page.setViewport({ width: 1280, height: 900 });
  await page.evaluateOnNewDocument(() => {
    window.__t = {};
    // Watches the rows until the first shows: a watch over the whole page
    // would be told of every piece of text the parser adds, and slow it.
    new MutationObserver((_, obs) => {
      const rows = document.getElementById("rows");
      if (!rows) return;
      obs.disconnect();
      const seen = () => rows.querySelector(".row") && (window.__t.firstRows = performance.now());
      if (!seen()) new MutationObserver((__, o) => { if (seen()) o.disconnect(); }).observe(rows, { childList: true });
    }).observe(document, { childList: true, subtree: true });
  });
  if (beforeScripts) await page.evaluateOnNewDocument(beforeScripts);
  await page.goto(pathToFileURL(page_).href, { waitUntil: "load", timeout: 600000 });
  return page;
}

function waitFor(page, test, arg) {
  return page.waitForFunction(test, { timeout: 600000, polling: 20 }, arg);
}

(async () => {
  const browser = await puppeteer.launch({
    executablePath: process.env.DIRGEN_CHROMIUM || "/usr/bin/chromium", headless: true,
    userDataDir: fs.mkdtempSync(path.join(os.tmpdir(), "dirgen-bench-profile-")),
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
  const bytes = fs.statSync(page_).size;
  report(`page: ${(bytes / 1e6).toFixed(1)} MB, ${(bytes / entries).toFixed(1)} bytes per entry (${entries} entries)`);

  // First rows, and the end of loading.
  let page = await open(browser);
  await waitFor(page, () => !/so far/.test(document.getElementById("count").textContent));
  const t = await page.evaluate(() => ({ first: window.__t.firstRows, loaded: performance.now() }));
  report(`first rows: ${(t.first / 1000).toFixed(2)} s; all loaded by ${(t.loaded / 1000).toFixed(2)} s (at most)`);
  const heap = (await page.metrics()).JSHeapUsedSize;
  report(`script heap after loading: ${(heap / 1e6).toFixed(0)} MB`);

  // A search typed into the loaded page, timed from the input to the rows
  // drawn (the page waits 120 ms after the last key before it searches).
  for (const words of ["dir00007", "file 00042", "dir00007", ""]) {
    const r = await page.evaluate((w) => new Promise((done) => {
      const q = document.getElementById("q"), count = document.getElementById("count");
      const t0 = performance.now();
      new MutationObserver((_, obs) => { obs.disconnect(); done({ ms: performance.now() - t0, count: count.textContent }); })
        .observe(count, { childList: true, characterData: true, subtree: true });
      q.value = w;
      q.dispatchEvent(new Event("input"));
    }), words);
    report(`search ${JSON.stringify(words)} after loading: ${r.ms.toFixed(0)} ms (${r.count})`);
  }

  // Each sort, timed from the click to the rows drawn.
  for (const key of ["name", "ext", "size", "date", "type", "date"]) {
    const ms = await page.evaluate((k) => new Promise((done) => {
      const t0 = performance.now();
      document.querySelector(`#head [data-key="${k}"] button`).click();
      requestAnimationFrame(() => done(performance.now() - t0));
    }), key);
    report(`sort by ${key}: ${ms.toFixed(0)} ms`);
  }

  // Scrolling to the very end shows the last entry.
  const end = await page.evaluate(() => new Promise((done) => {
    const box = document.getElementById("box");
    document.querySelector('#head [data-key="name"] button').click();  // back to ascending names
    box.scrollTop = box.scrollHeight;
    setTimeout(() => {
      const names = [...document.querySelectorAll("#rows .row .nm")].map((n) => n.textContent);
      const bottom = document.getElementById("pane").getBoundingClientRect().bottom;
      const inSight = [...document.querySelectorAll("#rows .row")].filter((r) => r.getBoundingClientRect().top < bottom - 10);
      done({ last: names[names.length - 1], lastInSight: inSight.length ? inSight[inSight.length - 1].querySelector("a").textContent : "", count: document.getElementById("count").textContent });
    }, 300);
  }));
  report(`scrolled to the end: last row in sight ${JSON.stringify(end.lastInSight)} (${end.count})`);
  await page.close();

  // A search typed at once, timed until it covers the whole page.
  page = await open(browser, () => {
    new MutationObserver((_, obs) => {
      const q = document.getElementById("q");
      if (q) { q.value = "dir00007"; obs.disconnect(); }
    }).observe(document, { childList: true, subtree: true });
  });
  await waitFor(page, () => !/so far/.test(document.getElementById("count").textContent));
  const s = await page.evaluate(() => ({ at: performance.now(), count: document.getElementById("count").textContent }));
  report(`search typed at once, over the whole page by ${(s.at / 1000).toFixed(2)} s (${s.count})`);
  await browser.close();
})().catch((e) => { console.error(e); process.exit(1); });
