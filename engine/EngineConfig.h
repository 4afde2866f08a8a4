// Constants that shape the sampler: slot and voice counts, the parameter layout, identity.
#pragma once

constexpr int kSlotCount = 3;
constexpr int kVoiceCount = 20;
constexpr int kParamsPerSlot = 12;
constexpr int kParamCount = kSlotCount * kParamsPerSlot;
constexpr int kPresetCount = 10;
// A voice's release frame when no note-off is waiting for it.
constexpr int kNoPendingRelease = -1;

// Parameter index = kParamsPerSlot * slot + offset.
enum SlotParam : int {
    kParamActive = 0,
    kParamLowNote,
    kParamHighNote,
    kParamRootNote,
    kParamSemitones,
    kParamAttack,
    kParamRelease,
    kParamPan,
    kParamAltPan,
    kParamVolume,
    kParamReverse,
    kParamLoop,
};

constexpr int kPluginVersion = 0x10000; // 1.0.0, packed major << 16 | minor << 8 | patch
constexpr int kPluginUniqueId = 0x7A76746B; // 'zvtk'
constexpr const char* kPluginName = "Quellorn";
constexpr const char* kPluginVendor = "Tolvane";
constexpr const char* kChannelConfig = "0-2";

constexpr int kEditorWidth = 504;
constexpr int kEditorHeight = 492;
// Resource id of the editor's background picture (resources/Quellorn.rc lists them all).
constexpr int kBackgroundImage = 100;

// Keys below this are outside every slot's range; keyboard controls count from it.
constexpr int kLowestKey = 12;
