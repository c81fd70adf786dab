#!/usr/bin/python3
"""Serves a built site on 127.0.0.1, as a good host would: each file with its type (the game's
.wasm as application/wasm, which browsers need to compile it while it downloads), and the .br or
.gz written beside it (tools/web/compress.sh) in its place, with Content-Encoding, to a browser
that accepts that encoding. Prints the address, then serves until stopped.

Usage: serve.py FOLDER [PORT]    (port 0, the default, lets the system pick a free one)
"""
import email.utils
import functools
import http.server
import os
import sys

# Preferred first: brotli packs tighter than gzip.
ENCODINGS = (('br', '.br'), ('gzip', '.gz'))


def accepted_encodings(header):
    """The content codings an Accept-Encoding header allows (q above 0), lower-cased."""
    accepted = set()
    refused = set()
    for item in header.split(','):
        name, _, parameters = item.partition(';')
        name = name.strip().lower()
        quality = 1.0
        for parameter in parameters.split(';'):
            key, _, value = parameter.partition('=')
            if key.strip().lower() == 'q':
                try:
                    quality = float(value)
                except ValueError:
                    quality = 0.0
        (accepted if quality > 0 else refused).add(name)
    if '*' in accepted:
        accepted.update(name for name, _ in ENCODINGS if name not in refused)
    return accepted


class SiteHandler(http.server.SimpleHTTPRequestHandler):
    # Connections are kept open between requests, as a browser expects of a real host.
    protocol_version = 'HTTP/1.1'
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        '.wasm': 'application/wasm',
        '.js': 'text/javascript',
        '.mjs': 'text/javascript',
        '.json': 'application/json',
        '.webmanifest': 'application/manifest+json',
        '.data': 'application/octet-stream',
        '.txt': 'text/plain; charset=utf-8',
        '.html': 'text/html; charset=utf-8',
    }

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            index = os.path.join(path, 'index.html')
            if not self.path.split('?', 1)[0].endswith('/') or not os.path.isfile(index):
                return super().send_head()  # its redirect, or its listing
            path = index
        variants = [(name, path + suffix) for name, suffix in ENCODINGS
                    if os.path.isfile(path + suffix)]
        if not os.path.isfile(path) or not variants:
            return super().send_head()
        accepted = accepted_encodings(self.headers.get('Accept-Encoding', ''))
        chosen = next(((name, packed) for name, packed in variants if name in accepted), None)
        if chosen is None:
            self.vary = True
            return super().send_head()
        name, packed = chosen
        try:
            file = open(packed, 'rb')
        except OSError:
            return super().send_head()
        status = os.fstat(file.fileno())
        self.send_response(200)
        self.send_header('Content-Type', self.guess_type(path))
        self.send_header('Content-Encoding', name)
        self.send_header('Content-Length', str(status.st_size))
        modified = os.stat(path).st_mtime
        self.send_header('Last-Modified', email.utils.formatdate(modified, usegmt=True))
        self.vary = True
        self.end_headers()
        return file

    def end_headers(self):
        # A cache must not hand one browser the encoding another asked for.
        if getattr(self, 'vary', False):
            self.send_header('Vary', 'Accept-Encoding')
            self.vary = False
        super().end_headers()


def main():
    if len(sys.argv) not in (2, 3) or not os.path.isdir(sys.argv[1]):
        sys.exit(__doc__.strip().splitlines()[-1])
    handler = functools.partial(SiteHandler, directory=sys.argv[1])
    port = int(sys.argv[2]) if len(sys.argv) == 3 else 0
    with http.server.ThreadingHTTPServer(('127.0.0.1', port), handler) as server:
        print('Serving %s at http://127.0.0.1:%d/' % (sys.argv[1], server.server_address[1]),
              flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass


if __name__ == '__main__':
    main()
