#!/usr/bin/python3
"""The browser's cost of a play frame against the desktop's, and its updates per second.

Usage: bench.py SITE_FOLDER DESKTOP_BENCH
Runs both in one go, so the machine's load of the moment weighs on both alike. The desktop's
figure is Google Benchmark's median of frame/play_presented (compose and present one play frame,
SDL's dummy video driver). The browser's is the same work in the built site in headless Chromium:
a play frame composed and presented once per animation frame, timed by the page, over 5 runs of
120 animation frames (the median of their means). Updates per second are counted by the game's own
loop over 5 seconds of play.
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tests', 'browser'))
from site_page import Page, serve  # noqa: E402

from selenium.webdriver.common.keys import Keys  # noqa: E402

# The cost of one frame, timed by the page in each of count animation frames; their mean in us.
FRAME_COSTS = """
const count = arguments[0];
const done = arguments[arguments.length - 1];
const costs = [];
const next = () => {
  costs.push(Module._dustreach_frame_cost(Module.dustreachGame, 1));
  if (costs.length < count) requestAnimationFrame(next);
  else done(costs.reduce((a, b) => a + b) / count);
};
requestAnimationFrame(next);"""
UPDATES = 'return [Module._dustreach_updates(Module.dustreachGame), performance.now()]'
FRAME_RATE = """
const done = arguments[arguments.length - 1];
const start = performance.now();
let frames = 0;
const next = () => ++frames && performance.now() - start < 1000 ? requestAnimationFrame(next)
                                                               : done(frames);
requestAnimationFrame(next);"""


def desktop_frame_us(program):
    with tempfile.NamedTemporaryFile(suffix='.json') as out:
        subprocess.run([program, '--benchmark_filter=^frame/play_presented$',
                        '--benchmark_repetitions=5', '--benchmark_out=' + out.name,
                        '--benchmark_out_format=json'], check=True, capture_output=True)
        runs = json.load(open(out.name))['benchmarks']
    return statistics.median(run['cpu_time'] for run in runs if run['run_type'] == 'iteration')


def browser_figures(site):
    page = Page(serve(site))
    try:
        page.press(Keys.SPACE)
        frame_us = statistics.median(page.driver.execute_async_script(FRAME_COSTS, 120)
                                     for _ in range(5))
        start = page.js(UPDATES)
        time.sleep(5)
        end = page.js(UPDATES)
        rate = page.driver.execute_async_script(FRAME_RATE)
        version = page.driver.capabilities.get('browserVersion', '?')
    finally:
        page.close()
    updates_per_second = (end[0] - start[0]) * 1000.0 / (end[1] - start[1])
    return frame_us, updates_per_second, rate, version


def main():
    site, program = sys.argv[1], sys.argv[2]
    desktop_us = desktop_frame_us(program)
    browser_us, updates, rate, version = browser_figures(site)
    rows = [('desktop play frame, composed and presented', '%7.0f us' % desktop_us, ''),
            ('browser play frame, composed and presented', '%7.0f us' % browser_us, ''),
            ('browser frame / desktop frame', '%.2f x' % (browser_us / desktop_us), '<= 2.00 x'),
            ('browser updates per second', '%.1f' % updates, '100 +- 2%')]
    print('| %-45s | %10s | %9s |' % ('figure', 'measured', 'goal'))
    print('|%s|%s:|%s:|' % ('-' * 47, '-' * 11, '-' * 10))
    for row in rows:
        print('| %-45s | %10s | %9s |' % row)
    print('Chromium %s, headless, %d animation frames a second.' % (version, rate))


if __name__ == '__main__':
    main()
