// No window layer on this platform yet: the plain surface paints its canvas and opens none.
#include "plugbase/window/EditorSurfaceFactory.h"

#include "editor/IEditorSurface.h"

IEditorSurface* CreateEditorSurface(IPlugBase* plug, int w, int h, int frameRate)
{
    return new IEditorSurface(plug, w, h, frameRate);
}
