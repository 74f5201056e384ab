// Opens one listing page in a fresh headless Chromium and reports, as one
// JSON line: when its first entries were on screen, when it finished
// loading, how long a jump to the end of the page took to draw, the
// renderer's peak memory, and (for a page with a search box) how long a
// search over every entry took once loaded. See page_bench.sh.
// Usage: node page_bench.js PAGE ENTRIES [SEARCH]
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const { pathToFileURL } = require("url");
const puppeteer = require("puppeteer-core");

const [file, entries, search] = process.argv.slice(2);

// Peak resident memory of the renderers below the browser process, in MB.
function rendererPeakMB(browserPid) {
  const parent = new Map();
  for (const pid of fs.readdirSync("/proc").filter((p) => /^\d+$/.test(p))) {
    try { parent.set(+pid, +fs.readFileSync(`/proc/${pid}/stat`, "utf8").replace(/^.*\) /, "").split(" ")[1]); } catch (e) { /* gone */ }
  }
  let peak = 0;
  for (const pid of parent.keys()) {
    let p = pid;
    while (p > 1 && p !== browserPid) p = parent.get(p) || 0;
    if (p !== browserPid) continue;
    try {
      if (!fs.readFileSync(`/proc/${pid}/cmdline`, "utf8").includes("--type=renderer")) continue;
      const m = /VmHWM:\s+(\d+)/.exec(fs.readFileSync(`/proc/${pid}/status`, "utf8"));
      if (m) peak = Math.max(peak, +m[1] / 1024);
    } catch (e) { /* gone */ }
  }
  return Math.round(peak);
}

(async () => {
  const browser = await puppeteer.launch({
    executablePath: process.env.DIRGEN_CHROMIUM || "/usr/bin/chromium", headless: true,
    userDataDir: fs.mkdtempSync(path.join(os.tmpdir(), "dirgen-page-bench-")), protocolTimeout: 1200000,
    args: ["--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync"],
  });
  const result = { page: path.basename(file), entries: +entries, bytes: fs.statSync(file).size };
  result.bytesPerEntry = +(result.bytes / entries).toFixed(1);
  const page = await browser.newPage();
  let crashed = false;
  page.on("error", () => { crashed = true; });
  await page.setViewport({ width: 1280, height: 900 });
  await page.evaluateOnNewDocument(() => {
    // The first frame that shows an entry's link in the window.
    function look() {
      const a = document.querySelector("#rows .row a, main li a[href]:not(.up), a.tile");
      if (a && a.getBoundingClientRect().height > 0 && a.getBoundingClientRect().top < innerHeight) {
        window.__first = performance.now();
        return;
      }
      requestAnimationFrame(look);
    }
    requestAnimationFrame(look);
  });
  try {
    // The first entries are reported even when loading then runs out of time.
    page.goto(pathToFileURL(file).href, { waitUntil: "load", timeout: 0 }).catch(() => {});
    await page.waitForFunction(() => window.__first, { timeout: 1200000, polling: 100 });
    result.firstEntriesS = +((await page.evaluate(() => window.__first)) / 1000).toFixed(2);
    await page.waitForFunction(() => document.readyState === "complete" && performance.getEntriesByType("navigation")[0].loadEventStart > 0, { timeout: +(process.env.BENCH_LOAD_TIMEOUT || 1200000), polling: 500 });
    result.loadS = +((await page.evaluate(() => performance.getEntriesByType("navigation")[0].loadEventStart)) / 1000).toFixed(2);
    // The end of the page: scrolled there at once, timed until the frame
    // after it is drawn.
    result.toEndS = +((await page.evaluate(() => new Promise((done) => {
      const t0 = performance.now(), box = document.getElementById("box");
      if (box && getComputedStyle(box).overflowY === "auto") box.scrollTop = box.scrollHeight;
      else window.scrollTo(0, document.documentElement.scrollHeight);
      requestAnimationFrame(() => requestAnimationFrame(() => done(performance.now() - t0)));
    }))) / 1000).toFixed(2);
    if (search && await page.$("#q")) {
      // Every entry read, then a search typed; timed until its rows are drawn.
      await page.waitForFunction(() => /entries$/.test(document.getElementById("count").textContent), { timeout: 1200000, polling: 50 });
      result.allReadS = +((await page.evaluate(() => performance.now())) / 1000).toFixed(2);
      const r = await page.evaluate((term) => new Promise((done) => {
        const q = document.getElementById("q"), count = document.getElementById("count"), t0 = performance.now();
        new MutationObserver((_, obs) => {
          if (/ of /.test(count.textContent)) { obs.disconnect(); requestAnimationFrame(() => done({ ms: performance.now() - t0, count: count.textContent })); }
        }).observe(count, { childList: true, characterData: true, subtree: true });
        q.value = term;
        q.dispatchEvent(new Event("input"));
      }), search);
      result.searchS = +(r.ms / 1000).toFixed(2);
      result.searchFound = r.count;
    }
    await new Promise((r) => setTimeout(r, 1000));
  } catch (e) {
    result.error = String(e.message || e).slice(0, 200);
  }
  result.rendererPeakMB = rendererPeakMB(browser.process().pid);
  result.crashed = crashed;
  console.log(JSON.stringify(result));
  await browser.close();
})().catch((e) => { console.error(e); process.exit(1); });
