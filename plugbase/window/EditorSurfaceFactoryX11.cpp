#include "plugbase/window/EditorSurfaceFactory.h"

#include "plugbase/window/XcbEditorSurface.h"

IEditorSurface* CreateEditorSurface(IPlugBase* plug, int width, int height, int frameRate)
{
    return new XcbEditorSurface(plug, width, height, frameRate);
}
