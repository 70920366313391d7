// The page's half of System_emscripten.cpp, linked into the game's module (--js-library), which the
// engine's module imports it from.
mergeInto(LibraryManager.library, {
  // Parts of a w×h picture of RGBA pixels at `pixels` in the module's memory onto the page's canvas:
  // `count` rectangles (x, y, w, h as 32-bit numbers) at `rects`, or all of it when count is 0. The
  // ImageData lies over the module's memory, made again only when the memory grows (its old buffer is
  // then gone) or the picture moves; putImageData copies only the parts named.
  omega_put_on_canvas: function (pixels, w, h, rects, count) {
    var canvas = Module['canvas'];
    var put = Module.omegaPut;
    if (!put || put.canvas !== canvas || put.pixels !== pixels || put.image.width !== w || put.image.height !== h ||
        put.image.data.buffer !== HEAPU8.buffer) {
      // An opaque canvas: the page need not blend it over what lies behind.
      put = Module.omegaPut = { canvas: canvas, pixels: pixels, ctx: canvas.getContext('2d', { alpha: false }),
        image: new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pixels, w * h * 4), w, h) };
    }
    if (count == 0) {
      put.ctx.putImageData(put.image, 0, 0);
      return;
    }
    for (var i = 0, at = rects >> 2; i < count; ++i, at += 4)
      put.ctx.putImageData(put.image, 0, 0, HEAP32[at], HEAP32[at + 1], HEAP32[at + 2], HEAP32[at + 3]);
  },
  omega_page_hidden: function () {
    return typeof document == 'object' && document.hidden ? 1 : 0;
  },
});
