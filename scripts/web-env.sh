# Sourced by the browser build's scripts: Debian's emcc runs its JavaScript tools with the node on PATH,
# which finds Debian's node modules (acorn, terser…) only through NODE_PATH when that node is not
# Debian's own. Debian's emscripten ships its system libraries prebuilt (a frozen cache in
# /usr/share/emscripten/cache, once per machine with the package): nothing of Emscripten's own is
# built or fetched, so no cache of its own is kept.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
