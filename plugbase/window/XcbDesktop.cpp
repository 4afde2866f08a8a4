// What the editor window asks of the desktop: pointer shapes, the pointer's position for
// keys the host passes on, the file dialog and the warning box.
#include "plugbase/window/XcbEditorSurface.h"

#include "plugbase/IPlugBase.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

// Glyphs of the X cursor font: the standard arrow, the horizontal resize arrows and the
// upward arrow, in the order of IEditorSurface::Cursor.
constexpr std::uint16_t kCursorGlyphs[] = { 68, 108, 114 };

} // namespace

bool XcbEditorSurface::PointerAt(int& x, int& y)
{
    std::uint16_t state = 0;
    return PointerPosition(x, y, state);
}

void XcbEditorSurface::SetCursor(Cursor shape)
{
    const auto index = static_cast<std::size_t>(shape);
    if (!connection || !window || index >= 3)
        return;
    if (!cursors[index]) {
        const xcb_font_t font = xcb_generate_id(connection);
        xcb_open_font(connection, font, 6, "cursor");
        cursors[index] = xcb_generate_id(connection);
        // Each shape is the glyph over its mask, the glyph after it; black on white.
        xcb_create_glyph_cursor(connection, cursors[index], font, font, kCursorGlyphs[index],
            static_cast<std::uint16_t>(kCursorGlyphs[index] + 1), 0, 0, 0, 0xffff, 0xffff, 0xffff);
        xcb_close_font(connection, font);
    }
    xcb_change_window_attributes(connection, window, XCB_CW_CURSOR, &cursors[index]);
    xcb_flush(connection);
}

void XcbEditorSurface::FreeCursors()
{
    for (xcb_cursor_t& cursor : cursors) {
        if (cursor && connection)
            xcb_free_cursor(connection, cursor);
        cursor = 0;
    }
}

bool XcbEditorSurface::PromptForFile(
    char* outPath, int size, bool save, const char* startFolder, const char* extensions)
{
    if (!connection || save)
        return IEditorSurface::PromptForFile(outPath, size, save, startFolder, extensions);
    if (outPath && size > 0)
        outPath[0] = '\0';
    if (dialog.IsOpen())
        return false;
    if (!dialog.StartOpenFile(extensions ? extensions : "")) {
        ShowWarning("Quellorn",
            "No file dialog program is installed. Drop a file onto the slot to load it, "
            "or install zenity or kdialog.");
        return false;
    }
    dialogX = lastPressX;
    dialogY = lastPressY;
    return false;
}

void XcbEditorSurface::ServeDialog()
{
    std::string path;
    if (!dialog.Poll(path) || path.empty())
        return;
    FileDropped(dialogX, dialogY, path.c_str());
}

void XcbEditorSurface::ShowWarning(const char* caption, const char* text)
{
    IEditorSurface::ShowWarning(caption, text);
    if (!connection || DesktopDialog::ShowWarning(caption ? caption : "", text ? text : ""))
        return;
    // No dialog program: the status line says it instead. Warnings are shown once their
    // thread has let go of the plug-in's lock, which the status line needs.
    if (plug) {
        std::lock_guard<std::recursive_mutex> guard(plug->Lock());
        ShowStatus(text);
    }
}
