#!/usr/bin/python3
"""The site's compressed files and the server that sends them (tools/web/compress.sh, serve.py).

Usage: serving_test.py SOURCE_TREE
compress.sh runs over a folder of made-up files, some under content-hashed names; serve.py then
serves that folder on 127.0.0.1, and plain HTTP requests check what it sends for each
Accept-Encoding a browser may send.
"""
import gzip
import http.client
import os
import subprocess
import sys
import tempfile
import unittest

TOOLS = os.path.join(sys.argv[1], 'tools', 'web')
# Text-like, so it packs well; large enough to be worth packing.
GAME = b'(module (func $frame (param i32)))\n' * 400


def compress(folder):
    subprocess.run(['bash', os.path.join(TOOLS, 'compress.sh'), folder], check=True)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as file:
        file.write(data)


def brotli(path):
    return subprocess.run(['brotli', '-d', '-c', path], capture_output=True, check=True).stdout


class CompressTest(unittest.TestCase):
    def setUp(self):
        self.site = tempfile.mkdtemp()
        self.addCleanup(subprocess.run, ['rm', '-rf', self.site])

    def path(self, name):
        return os.path.join(self.site, name)

    def test_large_files_get_both_forms_whatever_their_names_small_and_packed_ones_none(self):
        write(self.path('dustreach.3f9a2c.wasm'), GAME)
        write(self.path('licences/harfbuzz.txt'), GAME.replace(b'module', b'licence'))
        write(self.path('page.js'), b'"use strict";\n')
        write(self.path('earth.jpg'), os.urandom(20000))
        compress(self.site)
        for name in ('dustreach.3f9a2c.wasm', 'licences/harfbuzz.txt'):
            with open(self.path(name), 'rb') as original:
                data = original.read()
            with gzip.open(self.path(name + '.gz')) as packed:
                self.assertEqual(packed.read(), data, name)
            self.assertEqual(brotli(self.path(name + '.br')), data, name)
        for name in ('page.js', 'earth.jpg'):
            self.assertFalse(os.path.exists(self.path(name + '.gz')), name)
            self.assertFalse(os.path.exists(self.path(name + '.br')), name)

    def test_a_changed_file_is_packed_afresh_and_a_removed_ones_forms_go(self):
        write(self.path('dustreach.wasm'), GAME)
        write(self.path('old.js'), GAME)
        compress(self.site)
        changed = GAME.replace(b'frame', b'start')
        write(self.path('dustreach.wasm'), changed)
        os.remove(self.path('old.js'))
        compress(self.site)
        with gzip.open(self.path('dustreach.wasm.gz')) as packed:
            self.assertEqual(packed.read(), changed)
        self.assertEqual(brotli(self.path('dustreach.wasm.br')), changed)
        self.assertEqual(sorted(os.listdir(self.site)),
                         ['dustreach.wasm', 'dustreach.wasm.br', 'dustreach.wasm.gz'])


class ServeTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = tempfile.mkdtemp()
        write(os.path.join(cls.site, 'dustreach.wasm'), GAME)
        write(os.path.join(cls.site, 'index.html'), b'<!doctype html>\n' + GAME)
        write(os.path.join(cls.site, 'dustreach.png'), b'\x89PNG not packed')
        compress(cls.site)
        cls.server = subprocess.Popen(['/usr/bin/python3', os.path.join(TOOLS, 'serve.py'),
                                       cls.site], stdout=subprocess.PIPE, text=True)
        cls.port = int(cls.server.stdout.readline().rsplit(':', 1)[1].strip('/\n'))

    @classmethod
    def tearDownClass(cls):
        cls.server.terminate()
        cls.server.wait()
        subprocess.run(['rm', '-rf', cls.site])

    def get(self, path, accept=None, method='GET'):
        connection = http.client.HTTPConnection('127.0.0.1', self.port, timeout=30)
        self.addCleanup(connection.close)
        headers = {} if accept is None else {'Accept-Encoding': accept}
        connection.request(method, path, headers=headers)
        response = connection.getresponse()
        return response, response.read()

    def test_each_encoding_the_browser_accepts_and_the_file_as_it_is_otherwise(self):
        cases = [('gzip, deflate, br', 'br', brotli),
                 ('gzip', 'gzip', gzip.decompress),
                 ('br;q=0, gzip;q=0.5', 'gzip', gzip.decompress),
                 ('*', 'br', brotli),
                 ('identity', None, bytes),
                 (None, None, bytes),
                 ('br;q=0, gzip;q=0', None, bytes)]
        for accept, encoding, unpack in cases:
            response, body = self.get('/dustreach.wasm', accept)
            self.assertEqual(response.status, 200, accept)
            self.assertEqual(response.getheader('Content-Type'), 'application/wasm', accept)
            self.assertEqual(response.getheader('Content-Encoding'), encoding, accept)
            self.assertEqual(response.getheader('Vary'), 'Accept-Encoding', accept)
            self.assertEqual(int(response.getheader('Content-Length')), len(body), accept)
            if encoding == 'br':
                path = os.path.join(self.site, 'dustreach.wasm.br')
                with open(path, 'rb') as packed:
                    self.assertEqual(body, packed.read())
            else:
                self.assertEqual(unpack(body), GAME, accept)

    def test_the_index_packed_a_file_without_packed_forms_as_it_is(self):
        response, body = self.get('/', 'br')
        self.assertEqual(response.getheader('Content-Type'), 'text/html; charset=utf-8')
        self.assertEqual(response.getheader('Content-Encoding'), 'br')
        response, body = self.get('/dustreach.png', 'br, gzip')
        self.assertEqual(response.getheader('Content-Type'), 'image/png')
        self.assertIsNone(response.getheader('Content-Encoding'))
        self.assertEqual(body, b'\x89PNG not packed')
        response, body = self.get('/dustreach.wasm', 'gzip', 'HEAD')
        self.assertEqual(response.getheader('Content-Encoding'), 'gzip')
        self.assertEqual(body, b'')
        response, body = self.get('/missing.wasm', 'br')
        self.assertEqual(response.status, 404)


if __name__ == '__main__':
    unittest.main(argv=sys.argv[:1], verbosity=2)
