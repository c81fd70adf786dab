// frames.mjs: the desktop's reference frames (tests/frames/*.png) and how a canvas compares with
// one. ImageMagick's convert reads the PNG files.
import { execFileSync } from "node:child_process";
import path from "node:path";

// A reference frame's pixels as RGB bytes, row by row.
export function referencePixels(folder, name) {
  const file = path.join(folder, `${name}.png`);
  return execFileSync("convert", [file, "-depth", "8", "rgb:-"], { maxBuffer: 64 << 20 });
}

// Compares canvas pixels ({ width, height, rgba }) with RGB reference bytes, apart inside the areas
// ([left, top, width, height]). Returns { worst: the largest difference of a colour inside the
// areas, outside: the first pixel that differs outside them, as "(x, y) shown r,g,b, expected
// r,g,b", or null }.
export function compareWithFrame(shown, expected, areas) {
  if (shown.width * shown.height * 3 !== expected.length)
    return { worst: Infinity, outside: `the canvas is ${shown.width} x ${shown.height}` };
  let worst = 0;
  let outside = null;
  for (let y = 0; y < shown.height; ++y) {
    for (let x = 0; x < shown.width; ++x) {
      const at = y * shown.width + x;
      let difference = 0;
      for (let c = 0; c < 3; ++c)
        difference = Math.max(difference, Math.abs(shown.rgba[at * 4 + c] - expected[at * 3 + c]));
      if (difference === 0)
        continue;
      if (areas.some(([left, top, w, h]) => x >= left && x < left + w && y >= top && y < top + h))
        worst = Math.max(worst, difference);
      else if (outside === null)
        outside = `(${x}, ${y}) shown ${shown.rgba.subarray(at * 4, at * 4 + 3).join(",")}, ` +
          `expected ${expected.subarray(at * 3, at * 3 + 3).join(",")}`;
    }
  }
  return { worst, outside };
}
