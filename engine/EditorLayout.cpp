// The editor as the sampler builds it once, in its constructor: the background picture, the
// version text and title link, per slot its activity strip, sample display, keyboard, the
// parameter holders of its key settings and its knobs, buttons, semitone field and pan
// slider, and last the status line over everything. Attach order is paint order, and the
// reverse of the order in which clicks look for a control.
#include "editor/BarLabel.h"
#include "editor/IButton.h"
#include "editor/IEditorSurface.h"
#include "editor/IEmpty.h"
#include "editor/IInputPrm.h"
#include "editor/IKnobRotVal.h"
#include "editor/ISlider.h"
#include "editor/ITextControl.h"
#include "editor/IURLOpen.h"
#include "editor/MySample.h"
#include "editor/SampleActivity.h"
#include "editor/SampleRange.h"
#include "engine/Quellorn.h"
#include "plugbase/window/EditorSurfaceFactory.h"

namespace {

enum EditorImage {
    kKnobImage = 101,
    kActiveImage = 107,
    kLoopImage = 108,
    kReverseImage = 109,
    kSliderImage = 110,
    kAlternateImage = 111,
};

// The status line keeps a message for nine seconds at the editor's 24 ticks a second.
constexpr int kStatusTicks = 216;

} // namespace

void CLS_QUELLORN::BuildEditor()
{
    // The platform's window layer, or a surface without a window where there is none.
    IEditorSurface* surface = CreateEditorSurface(this, kEditorWidth, kEditorHeight, 0);
    // All the static art in one picture, under every control.
    surface->AttachBackground(kBackgroundImage, "img/bg.png");

    char version[32];
    VersionText(version, sizeof version);
    surface->AttachControl(new ITextControl(this, IBox { 313, 8, 348, 26 },
        MakeTextStyle("Verdana", 13, IArgb { 100, 0, 0, 0 }, 0), version));
    // Over the version text too: the whole title plate opens the product page.
    surface->AttachControl(new IURLOpen(this, IBox { 156, 6, 348, 53 }));

    const IImage knob = surface->GetImage(kKnobImage, "img/knob.png", 1);
    const ITextStyle knobText = MakeTextStyle("Arial", 15, IArgb { 230, 255, 255, 255 }, 1);
    const ITextStyle semitoneText = MakeTextStyle("Arial", 15, IArgb { 230, 0, 0, 0 }, 0);
    // The pan slider writes no text; its style only carries the alignment.
    const ITextStyle panText = MakeTextStyle("Arial", 0, IArgb { 255, 255, 255, 255 }, 1);
    const IArgb panBar { 255, 66, 110, 170 };

    // Made now so each sample display can report to it; attached last, over the columns.
    infoLabel = new BarLabel(this, IBox { 10, 476, 800, 492 }, kStatusTicks);

    for (int slot = 0; slot < kSlotCount; ++slot) {
        // Each slot's column ends 152 pixels right of the previous one.
        const int c = 176 + 152 * slot;
        const int p = kParamsPerSlot * slot;
        surface->AttachControl(new SampleActivity(this, IBox { c - 150, 73, c, 77 }, voicePos,
            voiceGain, &slotSample[slot].frames, voiceSlot, slot, &voicesInUse));
        sampleDisplay[slot] = new MySample(this, IBox { c - 150, 78, c, 198 }, slot, infoLabel);
        surface->AttachControl(sampleDisplay[slot]);
        keyboardDisplay[slot]
            = new SampleRange(this, IBox { c - 151, 201, c - 1, 256 }, slot, sampleDisplay[slot]);
        surface->AttachControl(keyboardDisplay[slot]);
        // The key settings are edited on the keyboard; these holders give their parameters a
        // control that follows the values and passes on what a file sets.
        for (int offset : { kParamActive, kParamLowNote, kParamHighNote, kParamRootNote })
            surface->AttachControl(new IEmpty(this, IBox {}, p + offset));

        const struct {
            int offset, x, y, textOffset;
        } knobs[] = {
            { kParamAttack, c - 107, 310, -18 },
            { kParamRelease, c - 45, 310, -18 },
            { kParamVolume, c - 45, 386, -20 },
        };
        for (const auto& k : knobs)
            surface->AttachControl(new IKnobRotVal(this, p + k.offset, k.x, k.y, knob, knobText,
                k.textOffset, 300, 4.0, 0, 0, 1.0f, false, 0));

        surface->AttachControl(new IButton(this, p + kParamActive, c - 120, 339,
            surface->GetImage(kActiveImage, "img/active.png", 1)));
        surface->AttachControl(new IInputPrm(
            this, IBox { c - 115, 377, c - 86, 393 }, p + kParamSemitones, semitoneText, 0, 2));
        surface->AttachControl(new ISlider(this, p + kParamPan, IBox { c - 124, 416, c - 32, 432 },
            surface->GetImage(kSliderImage, "img/slider.png", 1), panText, 89, true, panBar));
        surface->AttachControl(new IButton(this, p + kParamAltPan, c - 84, 433,
            surface->GetImage(kAlternateImage, "img/alternate.png", 1)));
        surface->AttachControl(new IButton(this, p + kParamReverse, c - 130, 441,
            surface->GetImage(kReverseImage, "img/reverse.png", 1)));
        surface->AttachControl(new IButton(this, p + kParamLoop, c - 70, 441,
            surface->GetImage(kLoopImage, "img/loop.png", 1)));
    }
    surface->AttachControl(infoLabel);
    surface->SetStatusLine([label = infoLabel](const char* text) { label->ShowMessage(text); });

    AttachEditor(surface);
    surface->SetAcceptDrops(true);
    // The three voice activity strips change with every block played, without any control
    // asking for it: the window repaints their row on every tick.
    surface->SetLiveBox(IBox { 26, 73, 784, 77 });
}
