// display.mjs: an X display of our own (Xvfb at a free display number, which Xvfb picks and
// reports through -displayfd), for the engines that need one: WebKit's MiniBrowser draws into a
// real window, and Firefox finds an OpenGL for WebGL only where there is a display.
import { spawn } from "node:child_process";

export async function startDisplay() {
  const xvfb = spawn("Xvfb", ["-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"], {
    stdio: ["ignore", "ignore", "pipe", "pipe"],
  });
  // The pipes asked for above, which Node.js's types leave possibly missing.
  const stderr = /** @type {import("node:stream").Readable} */ (xvfb.stderr);
  const reported = /** @type {import("node:stream").Readable} */ (xvfb.stdio[3]);
  let errors = "";
  stderr.on("data", (chunk) => (errors += chunk));
  const number = await new Promise((resolve, reject) => {
    let text = "";
    reported.on("data", (chunk) => {
      text += chunk;
      if (text.includes("\n"))
        resolve(text.trim());
    });
    xvfb.once("error", reject);
    xvfb.once("exit", (code) => reject(new Error(`Xvfb ended (${code}) before it had a display: ${errors}`)));
  });
  return {
    name: `:${number}`,
    stop() {
      xvfb.kill();
    },
  };
}
