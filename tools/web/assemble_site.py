#!/usr/bin/python3
"""Assembles the browser version's site from the linked game and the page's files.

Usage: assemble_site.py GAME_FOLDER FILES_FOLDER SITE_FOLDER

GAME_FOLDER holds dustreach.js, dustreach.wasm and dustreach.data as the linker wrote them;
FILES_FOLDER the rest of the site (index.html, the page's scripts, sw.js, manifest.json, icons,
licences). The game's three files and the page's scripts are renamed after their content
(dustreach.<hash>.js, ...), so no browser or cache can ever pair one build's code with another's
data; index.html names them (its "site-files" list, read by its loader and page.js, the
scripts' tags and the import map that leads the modules' imports to their files), and sw.js
gets every file of the site with the hash of its content, and the build's name, made from the
content of every file; index.html names its build too, so the worker keeps no page of another
build. SITE_FOLDER ends up holding exactly the new site: files of an
earlier build (older hashed names, compressed copies) are removed, sw.js is written last. Run by
the build after every link (app/browser/CMakeLists.txt).
"""
import hashlib
import json
import os
import sys

GAME_FILES = ('dustreach.js', 'dustreach.wasm', 'dustreach.data')
SITE_FILES_TAG = '<script type="application/json" id="site-files">{}</script>'
# input.js is a classic script; the others are page.js and the modules it imports.
PAGE_SCRIPTS = ('input.js', 'page.js', 'loading.js', 'tabs.js', 'updates.js', 'notes.js')
MODULES = PAGE_SCRIPTS[1:]
# index.html names each script once, as an attribute's value: src="page.js", href="tabs.js".
SCRIPT_REFERENCE = '="{}"'
IMPORT_MAP_TAG = '<script type="importmap">{"imports": {}}</script>'
CACHE_NAME_LINE = 'var CACHE_NAME = "unassembled";'
FILE_LIST_LINE = 'var SITE_FILES = {};'
# A host may add to a page on its way (a script, a banner): the worker checks index.html by the
# build it names, and every other file by its hash.
PAGE = 'index.html'


def content_hash(data):
    return hashlib.sha256(data).hexdigest()[:12]


def hashed_name(name, data):
    stem, extension = os.path.splitext(name)
    return '%s.%s%s' % (stem, content_hash(data), extension)


def read_tree(folder):
    """Every file under folder, as {relative path with '/': bytes}."""
    files = {}
    for directory, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(directory, name)
            with open(path, 'rb') as file:
                files[os.path.relpath(path, folder).replace(os.sep, '/')] = file.read()
    return files


def filled(text, placeholder, replacement, where):
    if text.count(placeholder) != 1:
        sys.exit('assemble_site: %s should hold %s once' % (where, placeholder))
    return text.replace(placeholder, replacement)


def assemble(game_folder, files_folder):
    """The new site, as {relative path: bytes}."""
    site = read_tree(files_folder)
    game = {}
    for name in GAME_FILES:
        with open(os.path.join(game_folder, name), 'rb') as file:
            data = file.read()
        game[name] = hashed_name(name, data)
        site[game[name]] = data
    scripts = {}
    for name in PAGE_SCRIPTS:
        data = site.pop(name)
        scripts[name] = hashed_name(name, data)
        site[scripts[name]] = data

    listing = {
        'game': game['dustreach.js'],
        'wasm': game['dustreach.wasm'],
        'data': game['dustreach.data'],
        'sizes': {'wasm': len(site[game['dustreach.wasm']]),
                  'data': len(site[game['dustreach.data']])},
    }
    index = site[PAGE].decode()
    for name in PAGE_SCRIPTS:
        index = filled(index, SCRIPT_REFERENCE.format(name), SCRIPT_REFERENCE.format(scripts[name]),
                       PAGE)
    # The modules import each other as ./NAME.js: the page's import map sends each to its file.
    imports = {'./' + name: './' + scripts[name] for name in MODULES}
    index = filled(index, IMPORT_MAP_TAG,
                   IMPORT_MAP_TAG.replace('{}', json.dumps(imports, sort_keys=True)), PAGE)
    site[PAGE] = index.encode()

    # The build's name: every file's content, the worker's and the page's (without the name)
    # included, so any change to the site is a new build with a cache of its own.
    build = hashlib.sha256()
    for name in sorted(site):
        build.update(name.encode() + b'\0' + site[name] + b'\0')
    build = build.hexdigest()[:12]
    listing['build'] = build
    site[PAGE] = filled(index, SITE_FILES_TAG, SITE_FILES_TAG.replace('{}', json.dumps(listing)),
                        PAGE).encode()

    worker = site.pop('sw.js').decode()
    hashes = {name: None if name == PAGE else content_hash(data) for name, data in site.items()}
    worker = filled(worker, CACHE_NAME_LINE, 'var CACHE_NAME = "%s";' % build, 'sw.js')
    worker = filled(worker, FILE_LIST_LINE,
                    'var SITE_FILES = %s;' % json.dumps(hashes, sort_keys=True), 'sw.js')
    site['sw.js'] = worker.encode()
    return site


def write_site(site, folder):
    """Writes site into folder (sw.js last), then removes whatever else the folder held."""
    for name in sorted(site, key=lambda name: name == 'sw.js'):
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        temporary = path + '.assembling'
        with open(temporary, 'wb') as file:
            file.write(site[name])
        os.replace(temporary, path)
    for directory, folders, names in os.walk(folder, topdown=False):
        for name in names:
            path = os.path.join(directory, name)
            if os.path.relpath(path, folder).replace(os.sep, '/') not in site:
                os.remove(path)
        for name in folders:
            path = os.path.join(directory, name)
            if not os.listdir(path):
                os.rmdir(path)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    game_folder, files_folder, site_folder = sys.argv[1:]
    site = assemble(game_folder, files_folder)
    os.makedirs(site_folder, exist_ok=True)
    write_site(site, site_folder)
    print('assemble_site: %d files in %s, cache %s' % (
        len(site), site_folder, site['sw.js'].decode().split('CACHE_NAME = "')[1][:12]))


if __name__ == '__main__':
    main()
