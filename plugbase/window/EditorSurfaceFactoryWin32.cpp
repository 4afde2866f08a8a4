#include "plugbase/window/EditorSurfaceFactory.h"

#include "plugbase/window/Win32EditorSurface.h"

IEditorSurface* CreateEditorSurface(IPlugBase* plug, int width, int height, int frameRate)
{
    return new Win32EditorSurface(plug, width, height, frameRate);
}
