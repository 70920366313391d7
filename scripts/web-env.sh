# Sourced by the browser build's scripts: Debian's emcc runs its JavaScript tools with the node on PATH,
# which finds Debian's node modules (acorn, terser…) only through NODE_PATH when that node is not
# Debian's own. Debian's emscripten ships its system libraries prebuilt (a frozen cache): nothing of
# Emscripten's own is built or fetched.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
