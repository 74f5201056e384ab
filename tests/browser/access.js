// Accessibility probes run inside pages: axe-core with the WCAG 2.1 A and
// AA rules, and contrast of what a sighted keyboard user sees.
"use strict";
const AXE = require.resolve("axe-core/axe.min.js");
const WCAG21AA = ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa"];

// The violations axe finds in page, one line each ("rule: target").
async function axeViolations(page) {
  await page.addScriptTag({ path: AXE });
  return page.evaluate(async (tags) => {
    const r = await window.axe.run(document, { runOnly: { type: "tag", values: tags }, resultTypes: ["violations"] });
    return r.violations.flatMap((v) => v.nodes.slice(0, 3).map((n) => `${v.id} (${v.nodes.length}x): ${n.target.join(" ")} ${n.failureSummary.split("\n")[1] || ""}`.trim()));
  }, WCAG21AA);
}

// Runs axe in the light and the dark colour scheme.
async function axeBothSchemes(page) {
  const out = [];
  for (const scheme of ["light", "dark"]) {
    await page.emulateMediaFeatures([{ name: "prefers-color-scheme", value: scheme }]);
    for (const v of await axeViolations(page)) out.push(`${scheme}: ${v}`);
  }
  await page.emulateMediaFeatures([]);
  return out;
}

// The focus ring of the focused element: its outline width in pixels and
// the contrast of its colour against the background behind it.
function focusRing(page) {
  return page.evaluate(() => {
    function rgb(c) {
      const m = /rgba?\(([\d.]+), ([\d.]+), ([\d.]+)(?:, ([\d.]+))?/.exec(c);
      return m ? { v: [+m[1], +m[2], +m[3]], a: m[4] === undefined ? 1 : +m[4] } : null;
    }
    function luminance(v) {
      const l = v.map((x) => { x /= 255; return x <= 0.03928 ? x / 12.92 : Math.pow((x + 0.055) / 1.055, 2.4); });
      return 0.2126 * l[0] + 0.7152 * l[1] + 0.0722 * l[2];
    }
    const el = document.activeElement;
    if (!el || el === document.body) return null;
    const st = getComputedStyle(el);
    let bg = null;
    for (let p = el; p && !bg; p = p.parentElement) {
      const c = rgb(getComputedStyle(p).backgroundColor);
      if (c && c.a > 0.5) bg = c.v;
    }
    bg = bg || [255, 255, 255];
    const ring = rgb(st.outlineColor);
    if (st.outlineStyle === "none" || !ring) return { width: 0, contrast: 0 };
    const a = luminance(ring.v), b = luminance(bg);
    return { width: parseFloat(st.outlineWidth), contrast: (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05) };
  });
}

module.exports = { axeBothSchemes, focusRing };
