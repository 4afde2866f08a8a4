// Makes the editor surface of this platform's window layer. The plug-in calls it once,
// from its constructor; the surface it returns belongs to the caller.
#pragma once

class IEditorSurface;
class IPlugBase;

IEditorSurface* CreateEditorSurface(IPlugBase* plug, int width, int height, int frameRate);
