#!/usr/bin/env python3
"""Writes the served page from dist/web/index.html: the data package's length and SHA-256, which the page
checks what it received against, and the game's icon as the page's (in the page itself, so that it
needs no address of its own).

usage: web-page.py <page> <data package> <icon.png> <page to write>"""
import base64
import hashlib
import sys

page, data, icon, out = sys.argv[1:5]
with open(data, 'rb') as f:
    package = f.read()
with open(icon, 'rb') as f:
    picture = f.read()
with open(page, encoding='utf-8') as f:
    text = f.read()
values = {
    '@ZANORU_DATA_SIZE@': str(len(package)),
    '@ZANORU_DATA_SHA256@': hashlib.sha256(package).hexdigest(),
    '@ZANORU_ICON@': 'data:image/png;base64,' + base64.b64encode(picture).decode('ascii'),
}
for name, value in values.items():
    if name not in text:
        sys.exit(f'{page} has no {name}')
    text = text.replace(name, value)
with open(out, 'w', encoding='utf-8') as f:
    f.write(text)
