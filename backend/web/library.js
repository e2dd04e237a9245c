// The page's functions as the program calls them (declared in
// backend/web/parts.h and main.cpp). They hand over to ZemPage
// (backend/web/page.js); only zem_web_wait suspends the program.
mergeInto(LibraryManager.library, {
  zem_web_wait: function (kind) {
    return Asyncify.handleSleep(function (wakeUp) { ZemPage.wait(kind, wakeUp); });
  },
  zem_web_frame: function () { return ZemPage.frames >>> 0; },
  zem_web_frame_time: function () { return ZemPage.frameTime; },
  zem_web_next_event: function (out) { return ZemPage.nextEvent(out); },

  zem_web_window_open: function () { return ZemPage.openWindow(); },
  zem_web_window_close: function () { ZemPage.closeWindow(); },
  zem_web_cursor_hide: function () { ZemPage.hideCursor(); },
  zem_web_message: function (text, caption) {
    ZemPage.message(UTF8ToString(text), UTF8ToString(caption));
  },

  zem_web_display_open: function () { return ZemPage.openDisplay(); },
  zem_web_display_close: function () { ZemPage.closeDisplay(); },
  zem_web_draw: function (rgba) { ZemPage.draw(rgba); },
  zem_web_draw_indexed: function (indices, palette) { ZemPage.drawIndexed(indices, palette); },

  zem_web_font_create: function (height, weight, face, cell) {
    var font = ZemPage.fontCreate(height, weight, UTF8ToString(face));
    HEAP32[cell >> 2] = font.cell;
    return font.id;
  },
  zem_web_font_delete: function (id) { ZemPage.fontDelete(id); },
  zem_web_glyph_size: function (id, code, metrics) { return ZemPage.glyphSize(id, code, metrics); },
  zem_web_glyph_bits: function (id, code, out) { ZemPage.glyphBits(id, code, out); },

  zem_web_sound_open: function () { return ZemPage.soundOpen(); },
  zem_web_sound_close: function () { ZemPage.soundClose(); },
  zem_web_sound_start: function (bytes, length, channels, bits, rate) {
    return ZemPage.soundStart(bytes, length >>> 0, channels, bits, rate);
  },
  zem_web_sound_playing: function (id) { return ZemPage.soundPlaying(id); },
  zem_web_sound_stop: function (id) { ZemPage.soundStop(id); },

  zem_web_archive_size: function () { return ZemPage.archiveSize(); },
  zem_web_archive_take: function (to) { ZemPage.takeArchive(to); },
  zem_web_ended: function (code) { ZemPage.end(code); }
});
