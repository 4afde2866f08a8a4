// For a platform without a window layer yet: the surface draws into its canvas and opens
// no window, so effEditOpen answers 0.
#include "plugbase/window/EditorSurfaceFactory.h"

#include "editor/IEditorSurface.h"

IEditorSurface* CreateEditorSurface(IPlugBase* plug, int width, int height, int frameRate)
{
    return new IEditorSurface(plug, width, height, frameRate);
}
