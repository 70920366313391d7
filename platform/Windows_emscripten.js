// The page's half of Windows_emscripten.cpp, linked into the game's module (--js-library).
mergeInto(LibraryManager.library, {
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
