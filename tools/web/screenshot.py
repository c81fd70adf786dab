#!/usr/bin/python3
"""Takes the README's screenshot of the browser version: the built site in headless Chromium, a
game in play (started with SPACE, the ship moved, a few shots fired), saved as docs/browser.png.

Usage: tools/web/screenshot.py [SITE_FOLDER, default build-web/site]  (after ./web build)
"""
import os
import sys
import time

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
sys.path.insert(0, os.path.join(root, 'tests', 'browser'))
from site_page import Page, serve  # noqa: E402

from selenium.webdriver.common.keys import Keys  # noqa: E402

page = Page(serve(sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'build-web', 'site')),
            height=1250)
try:
    page.press(Keys.SPACE)
    page.press('a', hold_seconds=0.3)
    for _ in range(3):
        page.click(0)
        time.sleep(0.15)
    page.driver.save_screenshot(os.path.join(root, 'docs', 'browser.png'))
finally:
    page.close()
