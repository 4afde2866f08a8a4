// Which host we run in: asked once, by product name, and cached for the plug-in's life.
#include "plugbase/IPlugVST.h"

#include <cstring>

namespace {

struct HostFragment {
    const char* fragment;
    int hostId;
};

// Tried in this order; the first fragment found anywhere in the lower-cased name wins, so
// the order settles names that hold two fragments.
constexpr HostFragment kHostFragments[] = {
    {"brainwaveproducer", 28}, {"cubase", 3},      {"reaper", 1},     {"nuendo", 4},
    {"cakewalk", 5},           {"samplitude", 8},  {"fruity", 7},     {"live", 9},
    {"melodyne", 12},          {"vstmanlib", 13},  {"aulab", 14},     {"forte", 15},
    {"chainer", 16},           {"audition", 17},   {"orion", 18},     {"sawstudio", 20},
    {"logic", 21},             {"digital", 22},    {"audiomulch", 23}, {"presonus", 24},
    {"acoustica", 25},         {"garageband", 26}, {"ardour", 27},
};

constexpr int kProductBufferSize = 256;

bool NeedsThirdChannelSetup(int hostId)
{
    return hostId == 15 || hostId == 17 || hostId == 18 || hostId == 20;
}

} // namespace

int LookUpHost(const char* productName)
{
    char lower[kProductBufferSize];
    CopyText(lower, productName, sizeof lower);
    // Plain ASCII lower-casing: the host's locale must not change which host we think it is.
    for (char* p = lower; *p; ++p)
        if (*p >= 'A' && *p <= 'Z')
            *p = static_cast<char>(*p - 'A' + 'a');
    for (const HostFragment& entry : kHostFragments)
        if (std::strstr(lower, entry.fragment))
            return entry.hostId;
    return 0;
}

int IPlugVST::GetHostId()
{
    if (hostId != -1)
        return hostId;
    char product[kProductBufferSize];
    product[0] = '\0';
    CallHost(audioMasterGetProductString, 0, 0, product);
    product[kProductBufferSize - 1] = '\0'; // a host that forgets the terminator
    int packed = 0;
    if (product[0]) {
        const VstIntPtr v = CallHost(audioMasterGetVendorVersion);
        if (v > 0 && v <= 0x7FFFFFFF) {
            const int version = static_cast<int>(v);
            packed = ((version / 10000) << 16) + (((version % 10000) / 100) << 8) + version % 100;
        }
    }
    hostId = LookUpHost(product);
    hostVersion = packed;
    return hostId;
}

void IPlugVST::HostSpecificSetup()
{
    if (hostSetupDone)
        return;
    hostSetupDone = true;
    if (NeedsThirdChannelSetup(GetHostId())) {
        ConnectInputs(2, InputCount() - 2, false);
        ConnectOutputs(2, OutputCount() - 2, true);
    }
    effect.numInputs = InputCount();
    inputArrangement.numChannels = InputCount();
    effect.numOutputs = OutputCount();
    outputArrangement.numChannels = OutputCount();
}
