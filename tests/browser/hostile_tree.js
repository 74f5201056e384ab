// Folder layouts for the browser checks, made on disk at test time.
// A layout is a list of [name, content]: the name a string or a Buffer (for
// bytes that are not UTF-8); the content a string or Buffer (a file), a list
// (a folder), or { data, mtime } (a file with its time, seconds since 1970).
"use strict";
const fs = require("fs");
const path = require("path");

function make(dir, layout) {
  const base = Buffer.isBuffer(dir) ? dir : Buffer.from(dir);
  fs.mkdirSync(base, { recursive: true });
  for (const [name, content] of layout) {
    const full = Buffer.concat([base, Buffer.from("/"), Buffer.isBuffer(name) ? name : Buffer.from(name)]);
    if (Array.isArray(content)) {
      make(full, content);
    } else if (content && content.data !== undefined) {
      fs.writeFileSync(full, content.data);
      fs.utimesSync(full, content.mtime, content.mtime);
    } else {
      fs.writeFileSync(full, content);
    }
  }
}

// Every folder below dir, dir included, as paths.
function folderPaths(dir) {
  const out = [dir];
  for (const e of fs.readdirSync(dir, { withFileTypes: true })) {
    if (e.isDirectory()) out.push(...folderPaths(path.join(dir, e.name)));
  }
  return out;
}

// A one-pixel PNG picture.
const PNG = Buffer.from(
  "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==", "base64");

// Names that try to become markup, script, other links or other Markdown,
// and names that are merely unusual.
function hostile() {
  return [
    ["<script>alert(1)<\\script>.txt", "a"],
    ["<img src=x onerror=alert(2)>.png", "b"],
    ["dq\"uote 'apos'.txt", "c"],
    ["amp&b&amp;c.txt", "d"],
    ["hash#frag.txt", "e"],
    ["query?x=1.txt", "f"],
    ["pct%41%2F.txt", "g"],
    ["café 日本語 ü.txt", "h"],
    [Buffer.from("bad\xff\xfe.txt", "latin1"), "i"],
    ["new\nline.txt", "j"],
    ["tab\tname.txt", "k"],
    ["L".repeat(246) + ".txt", "l".repeat(3000)],
    ["[link](report.pdf) *star* _under_ `tick`.txt", "m"],
    ["brackets ] [ unbalanced.txt", "n"],
    ["ends in backslash\\", "o"],
    ["javascript:alert(3)", "p"],
    ["-->.txt", "q"],
    ["<!--<script>x.txt", "q2"],
    ["pic \"1\".png", PNG],
    ["dir<b onmouseover=alert(4)>&\"#?%", [["inner <i>.txt", "r"], ["deeper", [["x.txt", "s"]]]]],
    ["empty", []],
    ["plain", [["y.txt", "t"]]],
  ];
}

// n files in one folder.
function many(n) {
  const out = [];
  for (let i = 0; i < n; i++) out.push([`file ${String(i).padStart(4, "0")}.txt`, "x".repeat(i)]);
  return out;
}

// n files whose times read in a different order day first than by time.
function dated(n) {
  const out = [];
  for (let i = 0; i < n; i++) {
    const t = Date.UTC(2000 + (i * 7) % 25, (i * 5) % 12, 1 + (i * 11) % 28, 12) / 1000;
    out.push([`dated ${String(i).padStart(3, "0")}.txt`, { data: "d", mtime: t }]);
  }
  return out;
}

// n folders of two files each.
function folders(n) {
  const out = [];
  for (let i = 0; i < n; i++) out.push([`folder ${String(i).padStart(3, "0")}`, [["a.txt", "a"], ["b.txt", "b"]]]);
  return out;
}

// Pictures among other files.
function mixed() {
  return [["photo.png", PNG], ["notes.txt", "n"], ["report.pdf", "%PDF-1.4"], ["song.mp3", "ID3"]];
}

// n empty files in one folder, quick to make in thousands.
function plenty(n) {
  const out = [];
  for (let i = 0; i < n; i++) out.push([`entry ${String(i).padStart(5, "0")}.txt`, ""]);
  return out;
}

// The hostile names followed by n empty files that sort after them, so
// that a listing of them is large and its first screen shows every
// hostile name.
function hostileAmong(n) {
  return hostile().concat(plenty(n).map(([name, data]) => ["zz " + name, data]));
}

// Names that read the same in every style, in a folder and below it.
function plain() {
  return [["alpha.txt", "a"], ["beta.png", "b"], ["gamma", [["delta.txt", "d"]]]];
}

module.exports = { make, folderPaths, hostile, hostileAmong, many, dated, folders, mixed, plenty, plain };
