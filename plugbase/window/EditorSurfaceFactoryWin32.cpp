#include "plugbase/window/EditorSurfaceFactory.h"

#include "plugbase/window/Win32EditorSurface.h"

IEditorSurface* CreateEditorSurface(IPlugBase* plug, int w, int h, int frameRate)
{
    return new Win32EditorSurface(plug, w, h, frameRate);
}
