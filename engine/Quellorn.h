// The sampler: one object per plug-in instance, created by the entry point. Holds the 36
// parameters (12 per slot), each slot's derived playback settings and decoded sample, the
// table of 20 voices shared by the three slots, and references to the per-slot editor
// controls that show this state.
//
// Threads: everything here runs under the plug-in's object lock, taken by the base for
// dispatcher and processing calls and by these operations themselves, so the audio thread
// and the user-interface thread never see a half-applied change.
#pragma once

#include "engine/ElapsedClock.h"
#include "engine/EngineConfig.h"
#include "engine/SlotLoader.h"
#include "plugbase/IPlugVST.h"
#include "samplefiles/SampleData.h"

#include <cstdint>
#include <memory>

class MySample;
class SampleRange;
class BarLabel;

class CLS_QUELLORN : public IPlugVST {
public:
    explicit CLS_QUELLORN(audioMasterCallback host);
    ~CLS_QUELLORN() override;

    void ResetProcessing() override;
    void ReloadSlot(int slot) override;
    void ParamChanged(int index) override;
    void RenderBlock(double** inputs, double** outputs, int frames) override;
    void HandleMidiEvent(const IMidiEvent& event) override;
    void ProcessingSwitchedOn() override;
    bool GetParamPresentation(int index, IParamPresentation& out) override;
    // Both take the load lock first: call them without the object lock, or the audio
    // thread waits for the whole decode.
    void LoadSlotFile(int slot, const char* path) override;
    void RestoreSlotFile(int slot, const char* path) override;
    const char* SlotLoadFailure(int slot) const override { return slotLoader.FailureText(slot); }
    SlotLoader& Loader() { return slotLoader; }

    void StopSlotVoices(int slot);
    void ClearHeldKeys();
    // Frees one voice and lowers voicesInUse past free voices at the top.
    void FreeVoice(int voice);
    // Frees every voice at once, without release, and clears the held keys.
    void CutAllVoices();
    // Clears the voice table and derives the rate settings: once, before the first notes
    // or the first block, whichever comes first.
    void StartEngine();
    void SetClock(MillisecondClock clock) { readClock = clock; }
    MillisecondClock Clock() const { return readClock; }

    // ---- per-slot settings, indexed by slot -------------------------------------------
    bool slotActive[kSlotCount] = {};
    bool slotReverse[kSlotCount] = {};
    bool slotLoop[kSlotCount] = {};
    bool slotAltPan[kSlotCount] = {};
    bool slotAltToggle[kSlotCount] = {};
    std::int16_t lowNote[kSlotCount] = {};
    std::int16_t highNote[kSlotCount] = {};
    std::int16_t rootNote[kSlotCount] = {};
    std::int16_t semitoneMultiply[kSlotCount] = {};
    float volumeGain[kSlotCount] = {};
    float panLeft[kSlotCount] = {};
    float panRight[kSlotCount] = {};
    double attackStep[kSlotCount] = {};
    double releaseStep[kSlotCount] = {};
    SampleData slotSample[kSlotCount];
    MySample* sampleDisplay[kSlotCount] = {};
    SampleRange* keyboardDisplay[kSlotCount] = {};

    // ---- voice table: parallel columns indexed by voice number ------------------------
    std::int16_t voiceSlot[kVoiceCount] = {}; // owning slot + 1; 0 is a free voice
    std::int16_t voiceNote[kVoiceCount] = {};
    std::int16_t voiceStage[kVoiceCount] = {}; // 0 free, 1 attack, 2 sustain, 3 release
    std::int32_t voiceStartFrame[kVoiceCount] = {};
    // Frame of the block being prepared at which a note-off moves the voice into its
    // release, so a note shorter than a block still sounds; kNoPendingRelease when none is
    // waiting. A release the block does not reach starts with the next block.
    std::int32_t voiceReleaseFrame[kVoiceCount] = {}; // all kNoPendingRelease once built
    double voicePos[kVoiceCount] = {};
    double voiceStep[kVoiceCount] = {};
    float voiceLeft[kVoiceCount] = {};
    float voiceRight[kVoiceCount] = {};
    float voiceLevel[kVoiceCount] = {};
    double voiceEnv[kVoiceCount] = {};
    double voiceGain[kVoiceCount] = {};

    // ---- engine-wide ------------------------------------------------------------------
    std::int16_t voicesInUse = 0;
    double engineRate = 0.0;
    std::unique_ptr<std::int32_t[]> lastApplied;
    bool engineStarted = false;
    bool transportWasRunning = false;
    std::int32_t lastBlockClock = 0;
    BarLabel* infoLabel = nullptr;

private:
    void RouteSlotFile(int slot, const char* path, bool restoring);
    void DeclareParameters();
    void BuildEditor();
    void FillPresets();
    void ApplySlotParam(int slot, int offset, int r);
    void StartVoice(int voice, int slot, int key, int velocity, int offset);
    // Empties one voice's columns; the callers settle voicesInUse.
    void ClearVoice(int voice);
    // Mixes every sounding voice into the zeroed outputs and settles the voice table.
    void RenderVoices(double* left, double* right, int frames);

    MillisecondClock readClock = ProcessElapsedMs;
    SlotLoader slotLoader{*this};
};

// The whole number a parameter value is applied as: hundredths of a second for Attack and
// Release, the value itself otherwise, rounded half away from zero.
int WholeNumberForParam(int offset, double value);
