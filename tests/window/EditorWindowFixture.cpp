#include "tests/window/EditorWindowFixture.h"

namespace WindowTest {

DialogLog dialogLog;

int WINAPI FakeMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT)
{
    dialogLog.boxes.push_back(std::string(caption ? caption : "") + "|" + text);
    return dialogLog.boxAnswer;
}

HINSTANCE WINAPI FakeShellExecute(HWND, LPCSTR verb, LPCSTR file, LPCSTR, LPCSTR, INT show)
{
    dialogLog.opened.push_back(std::string(verb) + " " + file + " " + std::to_string(show));
    return reinterpret_cast<HINSTANCE>(dialogLog.openAnswer);
}

BOOL WINAPI FakeChooseColour(LPCHOOSECOLORA chooser)
{
    dialogLog.colourAsked = *chooser;
    chooser->rgbResult = RGB(10, 20, 30);
    return dialogLog.colourAnswer;
}

BOOL WINAPI FakeOpenFile(LPOPENFILENAMEA dialog)
{
    dialogLog.fileFlags = dialog->Flags;
    dialogLog.fileTitle = dialog->lpstrTitle ? dialog->lpstrTitle : "";
    dialogLog.filePattern = dialog->lpstrFilter ? dialog->lpstrFilter : "";
    dialogLog.fileOwner = dialog->hwndOwner;
    lstrcpynA(dialog->lpstrFile, dialogLog.fileAnswer.c_str(), static_cast<int>(dialog->nMaxFile));
    return !dialogLog.fileAnswer.empty();
}

} // namespace WindowTest
