// The page's half of Windows_emscripten.cpp, linked into the game's module (--js-library).
mergeInto(LibraryManager.library, {
  // A module of one function that copies memory in one instruction and makes and counts a 128-bit
  // vector: valid only where the browser has bulk memory and SIMD, which the engine's module is built for.
  zanoru_page_has_simd: function () {
    return WebAssembly.validate(new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0,
      5, 3, 1, 0, 1, 10, 20, 1, 18, 0, 65, 0, 65, 0, 65, 0, 252, 10, 0, 0, 65, 0, 253, 15, 253, 98, 11])) ? 1 : 0;
  },
  zanoru_page_message_box: function (caption, text, error) {
    var c = UTF8ToString(caption), t = UTF8ToString(text);
    if (typeof Module.showMessageBox == 'function') Module.showMessageBox(c, t, !!error);
    else if (typeof alert == 'function') alert(c + '\n\n' + t);
  },
  // When the game last asked for the keys of a name, on the page's clock.
  zanoru_page_name_entry: function () {
    Module.nameEntryAt = performance.now();
  },
});
