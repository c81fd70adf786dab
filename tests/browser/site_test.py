#!/usr/bin/python3
"""Browser test: the built site in headless Chromium, served from 127.0.0.1.

Usage: site_test.py SITE_FOLDER FRAMES_FOLDER
Plays the game through the page as a player would (keys and clicks on the canvas), reads the
canvas's pixels and the game's files through the page, and reloads the page to see what outlasts
it. Each test starts Chromium with a fresh profile (site_page.py).
"""
import os
import subprocess
import sys
import unittest

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

from selenium.webdriver.common.actions.wheel_input import ScrollOrigin

from site_page import Page, eventually, serve

SITE, FRAMES = sys.argv[1], sys.argv[2]
WIDTH = 600
# Where the start screen shows its two JPEG pictures (left, top, width, height): there the
# browser's decoder (stb_image) rounds some pixels differently from the desktop's (libjpeg), by
# at most this much in any of red, green and blue. Everywhere else the frames are equal.
JPEG_AREAS = [(150, 500, 300, 110), (225, 625, 150, 150)]
JPEG_TOLERANCE = 2
NO_WEBGL = """{
const getContext = HTMLCanvasElement.prototype.getContext;
HTMLCanvasElement.prototype.getContext = function (type, attributes) {
  return /webgl/.test(type) ? null : getContext.call(this, type, attributes);
};}"""
NO_INDEXEDDB = "Object.defineProperty(window, 'indexedDB', {get() { throw new Error('no'); }});"
NO_WEBASSEMBLY = "delete window.WebAssembly;"
NO_VIDEO = "window.Module = {preRun: [() => { Module.ENV.SDL_VIDEODRIVER = 'none'; }]};"


def reference_pixels(name):
    return subprocess.run(['convert', os.path.join(FRAMES, name + '.png'), '-depth', '8',
                           'rgb:-'], capture_output=True, check=True).stdout


def in_jpeg_area(x, y):
    return any(left <= x < left + w and top <= y < top + h for left, top, w, h in JPEG_AREAS)


def save_fields(page):
    record = page.read_file('currentSave.txt')
    return [int(number) for number in record.split()]


class SiteTest(unittest.TestCase):
    address = serve(SITE)

    def page(self, before_load='', height=900):
        page = Page(self.address, before_load, height)
        self.addCleanup(page.close)
        return page

    def test_start_screen_equals_the_desktop_frame(self):
        expected = reference_pixels('game-start-pictures')
        for setting in ('', NO_WEBGL):
            shown = self.page(setting).pixels()
            self.assertEqual(len(shown), len(expected))
            worst = 0
            for offset in range(0, len(shown), 3):
                x, y = (offset // 3) % WIDTH, (offset // 3) // WIDTH
                difference = max(abs(shown[offset + c] - expected[offset + c]) for c in range(3))
                if in_jpeg_area(x, y):
                    worst = max(worst, difference)
                else:
                    self.assertEqual(difference, 0, 'pixel (%d, %d) %s' % (x, y, setting))
            self.assertLessEqual(worst, JPEG_TOLERANCE, setting)
            print('start screen%s: equal outside the JPEG pictures, inside them at most %d apart'
                  % (' without WebGL' if setting else '', worst))

    def test_play_save_reload_load(self):
        page = self.page()
        page.press(Keys.SPACE)
        page.click(0)  # from the ship's start, a shot rises between two enemies' columns
        page.press('d', hold_seconds=0.4)
        page.press('k')
        saved = page.read_file('currentSave.txt')
        fields = save_fields(page)
        self.assertEqual(fields[0], -1, 'the shot costs a point')
        self.assertEqual(fields[1], 5)
        self.assertGreater(fields[2], 230, 'D moves the ship right from its start')
        page.open()
        self.assertEqual(page.read_file('currentSave.txt'), saved)
        page.press(Keys.SPACE)
        page.press(Keys.SPACE)
        page.press('l')
        page.press('k')
        self.assertEqual(save_fields(page)[:4], fields[:4], 'score, lives, ship as saved')

    def test_lost_game_score_outlasts_the_page(self):
        page = self.page()
        lost = [4242, 0, 230, 610, 95, 30, 295, 30, 395, 30, 495, 30, 205, 28, 0, 1]
        page.js('Module.FS.writeFile("/dustreach/currentSave.txt", arguments[0])',
                ''.join('%d\n' % field for field in lost))
        page.press(Keys.SPACE)
        page.press(Keys.SPACE)
        page.press('l')
        eventually(lambda: page.stored_file('highScore.txt') == '4242\n', 'kept in IndexedDB')
        page.open()
        self.assertEqual(page.read_file('highScore.txt'), '4242\n')

    def test_a_hidden_tab_pauses_the_game(self):
        page = self.page()
        page.press(Keys.SPACE)
        playing = page.driver.current_window_handle
        page.driver.switch_to.new_window('tab')
        page.driver.close()
        page.driver.switch_to.window(playing)
        page.frames(3)
        page.press('l')  # loads only while paused; nothing was saved, so it says it could not
        self.assertIn('Could not load the saved game from currentSave.txt', page.log())

    def test_game_keys_never_scroll_the_page_and_the_others_stay_the_browsers(self):
        page = self.page(height=600)
        page.js('window.menus = 0; addEventListener("contextmenu",'
                ' e => { if (!e.defaultPrevented) ++window.menus; });')
        for key in (Keys.SPACE, Keys.ARROW_DOWN, Keys.ARROW_UP, Keys.SPACE, 'w'):
            page.press(key)
        page.click(2)
        self.assertEqual(page.js('return scrollY'), 0)
        self.assertEqual(page.js('return menus'), 0)
        ActionChains(page.driver).scroll_from_origin(ScrollOrigin.from_element(page.canvas),
                                                     0, 300).perform()
        eventually(lambda: page.js('return scrollY') > 0, 'the wheel scrolls the page')
        page.press(Keys.TAB)  # SDL would cancel it; the page hands it to the browser
        self.assertFalse(page.js('return document.activeElement === arguments[0]', page.canvas))

    def test_without_indexeddb_the_game_plays_and_says_saves_do_not_last(self):
        page = self.page(NO_INDEXEDDB)
        self.assertTrue(page.js('return !document.getElementById("storage-note").hidden'))
        page.press(Keys.SPACE)
        page.press('k')
        self.assertIsNotNone(page.read_file('currentSave.txt'), 'saved for as long as the page')
        eventually(lambda: 'Could not save the game to currentSave.txt' in page.log(),
                   'the failure line for the save')
        self.assertTrue(page.js('return document.getElementById("message").hidden'))

    def test_start_failures_show_a_message_instead_of_the_game(self):
        cases = [(NO_WEBASSEMBLY, 'needs WebAssembly'),
                 (NO_VIDEO, 'Unable to init SDL: none not available')]
        for setting, text in cases:
            page = self.page(setting)
            self.assertIn(text, page.js('return document.getElementById("message").textContent'))
            self.assertTrue(page.js('return document.getElementById("canvas").hidden'))


if __name__ == '__main__':
    if not os.path.isfile(os.path.join(SITE, 'index.html')):
        # ./test always builds it first; a bare ctest run (a copy of the tree, say) may not have.
        print('SKIP: no site in %s (./web build makes it)' % SITE)
        sys.exit(77)
    unittest.main(argv=sys.argv[:1], verbosity=2)
