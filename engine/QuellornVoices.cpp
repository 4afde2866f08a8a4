// Note handling: MIDI notes start and release voices from the pool of twenty shared by the
// three slots. Runs inside the dispatcher's effProcessEvents call, under the object lock.
#include "editor/MySample.h"
#include "editor/SampleRange.h"
#include "engine/MathTables.h"
#include "engine/Quellorn.h"

#include <algorithm>

namespace {

constexpr int kNoteOn = 9;
constexpr int kNoteOff = 8;
constexpr int kHighestKey = 127;
constexpr float kInverse127 = 0.007874016f;

} // namespace

void CLS_QUELLORN::HandleMidiEvent(const IMidiEvent& event)
{
    ILockGuard lock(Lock());
    // Hosts hand over a block's events just before the block itself. Starting the engine
    // here, rather than in the first block, keeps the notes of that first block: starting
    // it clears every voice.
    if (!engineStarted)
        StartEngine();
    const int kind = event.MessageKind();
    if (kind == kNoteOn || kind == kNoteOff) {
        const int key = event.NoteNumber();
        if (key < kLowestKey)
            return; // keys below the lowest are dropped, not even passed on
        // A data byte above 127 is no MIDI key or velocity; such a note is passed on but
        // never reaches the voices or the keyboards' held-key lists.
        const int velocity = kind == kNoteOn && event.Velocity() > 0 ? event.Velocity() : 0;
        if (key <= kHighestKey) {
            for (int slot = 0; slot < kSlotCount; ++slot) {
                if (!slotActive[slot] || slotSample[slot].frames == 0)
                    continue;
                if (keyboardDisplay[slot])
                    keyboardDisplay[slot]->NoteHeld(key, velocity > 0);
                if (key < lowNote[slot] || key > highNote[slot])
                    continue;
                if (velocity > 0) {
                    // No voice stealing: with all twenty busy the slot does not sound.
                    for (int v = 0; v < kVoiceCount; ++v) {
                        if (voiceSlot[v] == 0) {
                            StartVoice(v, slot, key, std::min(velocity, 127), event.offset);
                            break;
                        }
                    }
                } else {
                    for (int v = 0; v < kVoiceCount; ++v) {
                        if (voiceSlot[v] == slot + 1 && voiceNote[v] == key) {
                            // The release starts at the message's own frame; the voice
                            // sounds until then, however short the note.
                            voiceReleaseFrame[v] = std::max(0, event.offset);
                            voiceNote[v] = 0;
                            break;
                        }
                    }
                }
            }
        }
    }
    SendMidiEvent(event);
}

void CLS_QUELLORN::StartVoice(int v, int slot, int key, int velocity, int offset)
{
    voiceSlot[v] = static_cast<std::int16_t>(slot + 1);
    voicesInUse = std::max<std::int16_t>(voicesInUse, static_cast<std::int16_t>(v + 1));
    voiceNote[v] = static_cast<std::int16_t>(key);
    voiceStartFrame[v] = offset;
    voiceReleaseFrame[v] = kNoPendingRelease;
    if (MySample* display = sampleDisplay[slot]; display && !display->PlayedMark()) {
        display->SetPlayedMark(true);
        display->MarkRedraw();
    }
    voiceStage[v] = 1;

    // Single precision, in this order: the level is stored as a float.
    const float t = static_cast<float>(127 - velocity) * kInverse127;
    const float m = t * t;
    voiceLevel[v] = (1.0f - m) * volumeGain[slot];

    const int semis = (key - rootNote[slot]) * semitoneMultiply[slot];
    voiceStep[v] = MathTables::PitchFactor(semis) * slotSample[slot].rateRatio;
    voiceEnv[v] = 0.0;
    voicePos[v] = 0.0;

    if (slotAltPan[slot] && slotAltToggle[slot]) {
        voiceLeft[v] = panRight[slot];
        voiceRight[v] = panLeft[slot];
        slotAltToggle[slot] = false;
    } else {
        voiceLeft[v] = panLeft[slot];
        voiceRight[v] = panRight[slot];
        if (slotAltPan[slot])
            slotAltToggle[slot] = true;
    }
}

void CLS_QUELLORN::StopSlotVoices(int slot)
{
    ILockGuard lock(Lock());
    for (int v = voicesInUse - 1; v >= 0; --v) {
        if (voiceSlot[v] != slot + 1)
            continue;
        ClearVoice(v);
        if (v == voicesInUse - 1)
            --voicesInUse;
    }
}

void CLS_QUELLORN::ClearVoice(int v)
{
    voiceGain[v] = 0.0;
    voicePos[v] = 0.0;
    voiceEnv[v] = 0.0;
    voiceNote[v] = 0;
    voiceStage[v] = 0;
    voiceSlot[v] = 0;
    voiceReleaseFrame[v] = kNoPendingRelease;
}

void CLS_QUELLORN::FreeVoice(int v)
{
    ClearVoice(v);
    while (voicesInUse > 0 && voiceSlot[voicesInUse - 1] == 0)
        --voicesInUse;
}

void CLS_QUELLORN::CutAllVoices()
{
    for (int v = 0; v < kVoiceCount; ++v) {
        if (voiceSlot[v] == 0)
            continue;
        ClearVoice(v);
    }
    voicesInUse = 0;
    ClearHeldKeys();
}

void CLS_QUELLORN::ClearHeldKeys()
{
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (slotActive[slot] && slotSample[slot].frames != 0 && keyboardDisplay[slot])
            keyboardDisplay[slot]->ClearHeldKeys();
}
