// Makes the editor surface of the platform this module is built for: the Win32 window layer
// on Windows, a surface without a window where no window layer exists yet. The caller (the
// plug-in's constructor) owns the result and hands it to AttachEditor.
// Threads: whichever thread constructs the plug-in.
#pragma once

class IEditorSurface;
class IPlugBase;

IEditorSurface* CreateEditorSurface(IPlugBase* plug, int w, int h, int frameRate);
