"""The site in headless Chromium, for the browser test and the browser benchmark.

serve() puts a folder on 127.0.0.1 at a free port; Page is one Chromium with a fresh profile
showing it, with the means to press keys and buttons on the game's canvas, wait for animation
frames, and read the canvas, the game's files and the console. Needs Debian's chromium,
chromium-driver and python3-selenium, and ImageMagick's convert for pixels.
"""
import base64
import functools
import http.server
import subprocess
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains

# Makes the canvas readable after a frame was shown, whichever context the game gets.
KEEP_DRAWING_BUFFER = """{
const getContext = HTMLCanvasElement.prototype.getContext;
HTMLCanvasElement.prototype.getContext = function (type, attributes) {
  if (/webgl/.test(type)) attributes = Object.assign({}, attributes, {preserveDrawingBuffer: true});
  return getContext.call(this, type, attributes);
};}"""
# What IndexedDB holds for one of the game's files, as text ('' when nothing).
STORED_FILE = """
const done = arguments[arguments.length - 1];
const open = indexedDB.open('Dustreach ' + location.pathname.replace(/[^/]*$/, ''));
open.onsuccess = () => {
  const get = open.result.transaction('files').objectStore('files').get(arguments[0]);
  get.onsuccess = () => done(get.result ? new TextDecoder().decode(get.result.contents) : '');
  get.onerror = () => done('');
};
open.onerror = () => done('');"""


def eventually(predicate, what, seconds=10):
    """Waits until predicate() is true; fails naming what did not happen."""
    deadline = time.time() + seconds
    while not predicate():
        if time.time() > deadline:
            raise AssertionError('never happened: ' + what)
        time.sleep(0.1)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    """Serves folder on 127.0.0.1 at a free port, in the background; the site's address."""
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return 'http://127.0.0.1:%d/' % server.server_address[1]


class Page:
    """One Chromium with a profile of its own, showing the site."""

    def __init__(self, address, before_load='', height=900):
        """Opens address; before_load is JavaScript run in the page before any of its own."""
        self.address = address
        options = webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        self.profile = tempfile.TemporaryDirectory()
        for argument in ('--headless=new', '--no-sandbox', '--disable-gpu', '--no-first-run',
                         '--disable-background-networking', '--disable-component-update',
                         '--disable-sync', '--disable-quic', '--window-size=700,%d' % height,
                         '--user-data-dir=' + self.profile.name):
            options.add_argument(argument)
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        self.driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
        self.driver.set_script_timeout(20)
        script = KEEP_DRAWING_BUFFER + before_load
        self.driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': script})
        self.console = []
        self.open()

    def close(self):
        self.driver.quit()
        self.profile.cleanup()

    def js(self, script, *arguments):
        return self.driver.execute_script(script, *arguments)

    def open(self):
        """Loads (or reloads) the page and waits until the game runs or the page gave up."""
        self.driver.get(self.address)
        self.wait_for('!document.getElementById("message").hidden || Module.dustreachGame')
        self.canvas = self.driver.find_element('id', 'canvas')
        self.frames(2)  # the game's first frame is shown

    def wait_for(self, condition, seconds=20):
        deadline = time.time() + seconds
        while not self.js('try { return !!(%s); } catch (e) { return false; }' % condition):
            if time.time() > deadline:
                raise AssertionError('the page never reached: ' + condition)
            time.sleep(0.05)

    def frames(self, count):
        """Waits until the page has shown count more animation frames."""
        self.driver.execute_async_script(
            'const done = arguments[1]; let left = arguments[0];'
            'const next = () => --left > 0 ? requestAnimationFrame(next) : done();'
            'requestAnimationFrame(next);', count)

    def press(self, key, hold_seconds=0.0):
        """Presses key on the canvas, which has the focus (a click to give it would shoot)."""
        ActionChains(self.driver).key_down(key).perform()
        time.sleep(hold_seconds)
        ActionChains(self.driver).key_up(key).perform()
        self.frames(3)

    def click(self, button):
        """A press of button 0 (left), 1 (middle) or 2 (right) at the canvas's centre."""
        actions = ActionChains(self.driver).move_to_element(self.canvas)
        if button == 2:
            actions.context_click(self.canvas)
        else:
            actions.click(self.canvas)
        actions.perform()
        self.frames(3)

    def read_file(self, name):
        return self.js('try { return Module.FS.readFile("/dustreach/" + arguments[0],'
                       ' {encoding: "utf8"}); } catch (e) { return null; }', name)

    def stored_file(self, name):
        return self.driver.execute_async_script(STORED_FILE, name)

    def log(self):
        """Every console line so far."""
        self.console += [entry['message'] for entry in self.driver.get_log('browser')]
        return '\n'.join(self.console)

    def pixels(self):
        """The canvas as RGB bytes, row by row."""
        data = self.js('const copy = document.createElement("canvas");'
                       'copy.width = 600; copy.height = 800;'
                       'const context = copy.getContext("2d");'
                       'context.drawImage(arguments[0], 0, 0);'
                       'return copy.toDataURL("image/png");', self.canvas)
        png = base64.b64decode(data.split(',', 1)[1])
        return subprocess.run(['convert', 'png:-', '-depth', '8', 'rgb:-'], input=png,
                              capture_output=True, check=True).stdout
