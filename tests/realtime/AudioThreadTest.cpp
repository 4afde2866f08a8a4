// The audio thread must never allocate and never take a lock besides the one that holds
// the plug-in for the whole block: waiting on the heap allocator or on some other lock can
// make it miss its deadline. Every operator new in this test program is counted while a
// block is being processed or its MIDI handed over, and must stay at zero; on Linux every
// mutex locked there is recorded too, with whether the thread had to wait for it.
#include "engine/Quellorn.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

#if defined(__linux__) && !defined(__SANITIZE_THREAD__)
#define QUELLORN_COUNT_LOCKS 1
#include <dlfcn.h>
#include <pthread.h>

#include <cerrno>
#endif

namespace {

thread_local bool counting = false;
std::atomic<int> allocations{0};
// Allocations this thread may still make before the next one fails; -1 for no limit.
thread_local int allocationsLeft = -1;

void* CountedAllocation(std::size_t size)
{
    if (counting)
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (allocationsLeft == 0)
        throw std::bad_alloc();
    if (allocationsLeft > 0)
        --allocationsLeft;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

// Counts what happens inside `work` on this thread.
template <typename Work> int AllocationsDuring(Work work)
{
    allocations = 0;
    counting = true;
    work();
    counting = false;
    return allocations.load();
}

} // namespace

#ifdef QUELLORN_COUNT_LOCKS
// Every pthread mutex locked by this program passes through here (std::mutex and
// std::recursive_mutex lock through it), so the counting thread's locks can be recorded.
// A failed try first means another thread held the mutex: the lock had to wait.
namespace {

struct LockRecord {
    static constexpr int kMax = 64;
    std::atomic<int> acquisitions{0};
    std::atomic<int> waits{0};
    const void* mutexes[kMax] = {}; // the first kMax distinct mutexes locked
    std::atomic<int> distinct{0};
};
LockRecord locks;

using LockFunction = int (*)(pthread_mutex_t*);

void Record(const pthread_mutex_t* mutex, bool waited)
{
    locks.acquisitions.fetch_add(1, std::memory_order_relaxed);
    if (waited)
        locks.waits.fetch_add(1, std::memory_order_relaxed);
    const int known = locks.distinct.load();
    for (int i = 0; i < known; ++i)
        if (locks.mutexes[i] == mutex)
            return;
    if (known < LockRecord::kMax) {
        locks.mutexes[known] = mutex;
        locks.distinct.store(known + 1);
    }
}

} // namespace

extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex)
{
    static const auto next = reinterpret_cast<LockFunction>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    static const auto tryNext
        = reinterpret_cast<LockFunction>(dlsym(RTLD_NEXT, "pthread_mutex_trylock"));
    if (!counting)
        return next(mutex);
    const int tried = tryNext(mutex);
    if (tried == 0) {
        Record(mutex, false);
        return 0;
    }
    const int result = tried == EBUSY ? next(mutex) : tried;
    if (result == 0)
        Record(mutex, tried == EBUSY);
    return result;
}
#endif

namespace {

void ResetLockRecord()
{
#ifdef QUELLORN_COUNT_LOCKS
    locks.acquisitions = 0;
    locks.waits = 0;
    locks.distinct = 0;
#endif
}

// The counted work locked nothing but the plug-in's own lock, and never had to wait.
void ExpectOnlyTheObjectLock(std::recursive_mutex& objectLock)
{
#ifdef QUELLORN_COUNT_LOCKS
    EXPECT_GT(locks.acquisitions.load(), 0) << "the block's lock was not seen";
    EXPECT_EQ(locks.waits.load(), 0);
    ASSERT_EQ(locks.distinct.load(), 1);
    EXPECT_EQ(locks.mutexes[0], objectLock.native_handle());
#else
    (void)objectLock;
#endif
}

} // namespace

void* operator new(std::size_t size)
{
    return CountedAllocation(size);
}
void* operator new[](std::size_t size)
{
    return CountedAllocation(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

class AudioThreadAllocations : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(host.Create(), nullptr);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        host.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        host.Dispatch(effSetBlockSize, 0, kBlock);
        host.Dispatch(effOpen);
        host.Dispatch(effMainsChanged, 0, 1);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            SampleData& sample = plug->slotSample[slot];
            sample.frames = 3000 + 1000 * static_cast<std::uint32_t>(slot);
            sample.channels = static_cast<std::int16_t>(slot == 1 ? 1 : 2);
            sample.samples.assign(sample.frames * (slot == 1 ? 1u : 2u), 0.25);
            sample.fileRate = 48000.0;
            sample.rateRatio = RateRatioFor(48000.0, 44100.0);
        }
        // Short times so voices start, release and end within the test's blocks.
        for (int slot = 0; slot < kSlotCount; ++slot) {
            host.effect->setParameter(host.effect, slot * kParamsPerSlot + kParamAttack, 0.02f);
            host.effect->setParameter(host.effect, slot * kParamsPerSlot + kParamRelease, 0.03f);
            host.effect->setParameter(host.effect, slot * kParamsPerSlot + kParamLoop,
                                      slot == 2 ? 0.0f : 1.0f);
        }
        host.timeInfo.flags |= kVstTransportPlaying;
    }

    // One block's MIDI: notes on and off at various offsets, velocity-0 offs included.
    void SendEvents(int block)
    {
        std::vector<VstMidiEvent>& events = eventStore;
        events.assign(4, VstMidiEvent{});
        for (int e = 0; e < 4; ++e) {
            VstMidiEvent& m = events[static_cast<std::size_t>(e)];
            m.type = kVstMidiType;
            m.byteSize = sizeof m;
            m.deltaFrames = (block * 37 + e * 101) % kBlock;
            const bool on = (block + e) % 3 != 0;
            m.midiData[0] = static_cast<char>(on ? 0x90 : (e % 2 ? 0x80 : 0x90));
            m.midiData[1] = static_cast<char>(36 + (block * 7 + e * 5) % 60);
            m.midiData[2] = static_cast<char>(on ? 100 : 0);
        }
        list.numEvents = 4;
        for (int e = 0; e < 4; ++e)
            pointers[e] = reinterpret_cast<VstEvent*>(&events[static_cast<std::size_t>(e)]);
        host.Dispatch(effProcessEvents, 0, 0, &list);
    }

    static constexpr int kBlock = 256;
    TestHost host;
    CLS_QUELLORN* plug = nullptr;
    std::vector<VstMidiEvent> eventStore;
    // VstEvents with room for four entries: the header's array of two is only nominal.
    struct {
        VstEvents header;
        VstEvent* more[2];
    } storage{};
    VstEvents& list = storage.header;
    VstEvent** pointers = storage.header.events;
};

TEST_F(AudioThreadAllocations, FloatAndDoubleProcessingAllocateNothing)
{
    std::vector<float> fl(kBlock), fr(kBlock);
    std::vector<double> dl(kBlock), dr(kBlock);
    float* fouts[] = {fl.data(), fr.data()};
    double* douts[] = {dl.data(), dr.data()};
    eventStore.reserve(4);
    host.calls.reserve(100000); // the test host records calls; its own growth is not ours
    host.recordMidi = false;

    int maxVoices = 0;
    bool sounded = false;
    ResetLockRecord();
    for (int block = 0; block < 400; ++block) {
        const int count = AllocationsDuring([&] {
            SendEvents(block);
            if (block % 2)
                host.effect->processReplacing(host.effect, nullptr, fouts, kBlock);
            else
                host.effect->processDoubleReplacing(host.effect, nullptr, douts, kBlock);
        });
        ASSERT_EQ(count, 0) << "block " << block;
        maxVoices = std::max<int>(maxVoices, plug->voicesInUse);
        sounded = sounded || fl[kBlock / 2] != 0.0f || dl[kBlock / 2] != 0.0;
    }
    // Every key up, as often as voices may hold it, then blocks until the releases end:
    // voices are freed while counted.
    const int endCount = AllocationsDuring([&] {
        for (int key = 36; key < 96; ++key) {
            IMidiEvent off;
            off.status = 0x80;
            off.data1 = static_cast<unsigned char>(key);
            for (int held = 0; held < kVoiceCount; ++held)
                plug->HandleMidiEvent(off);
        }
        for (int block = 0; block < 20; ++block)
            host.effect->processReplacing(host.effect, nullptr, fouts, kBlock);
    });
    EXPECT_EQ(endCount, 0);
    ExpectOnlyTheObjectLock(plug->Lock());
    // The run must have exercised what it claims: many voices, sound, and voices ending.
    EXPECT_GE(maxVoices, 15);
    EXPECT_TRUE(sounded);
    EXPECT_EQ(plug->voicesInUse, 0);
}

// An allocation that fails inside a host's call (the block buffers growing for a block
// longer than announced, a state chunk) reaches the host as silence or 0, leaves the
// plug-in as it was, and the next call succeeds.
TEST_F(AudioThreadAllocations, FailedAllocationsReachNoHost)
{
    struct Allowance {
        int left;
        explicit Allowance(int n) : left(allocationsLeft) { allocationsLeft = n; }
        ~Allowance() { allocationsLeft = left; }
    };
    constexpr int kLonger = 8 * kBlock; // beyond the buffers' room for 1024 frames
    std::vector<float> fl(kLonger), fr(kLonger);
    std::vector<double> dl(kLonger), dr(kLonger);
    float* fouts[] = {fl.data(), fr.data()};
    double* douts[] = {dl.data(), dr.data()};
    IMidiEvent on;
    on.status = 0x90;
    on.data1 = 60;
    on.data2 = 127;
    plug->HandleMidiEvent(on);
    for (int allowed = 0; allowed < 2; ++allowed) { // the first or the second buffer fails
        SCOPED_TRACE(allowed);
        std::fill(fl.begin(), fl.end(), 7.0f);
        std::fill(dl.begin(), dl.end(), 7.0);
        {
            Allowance failing(allowed);
            host.effect->processReplacing(host.effect, nullptr, fouts, kLonger);
            host.effect->processDoubleReplacing(host.effect, nullptr, douts, kLonger);
        }
        EXPECT_EQ(fl, std::vector<float>(kLonger, 0.0f));
        EXPECT_EQ(dl, std::vector<double>(kLonger, 0.0));
        EXPECT_EQ(plug->BlockFrames(), kBlock);

        std::fill(fl.begin(), fl.end(), 7.0f);
        {
            Allowance failing(allowed);
            host.effect->process(host.effect, nullptr, fouts, kLonger);
        }
        EXPECT_EQ(fl, std::vector<float>(kLonger, 7.0f)) << "nothing added";
    }

    // A state chunk: the plug-in's own buffer cannot grow. Nothing is saved or restored.
    TestHost other;
    ASSERT_NE(other.Create(), nullptr);
    other.Dispatch(effOpen);
    other.effect->setParameter(other.effect, 1, 0.5f);
    void* data = nullptr;
    {
        Allowance failing(0);
        EXPECT_EQ(other.Dispatch(effGetChunk, 1, 0, &data), 0);
    }
    const VstIntPtr size = other.Dispatch(effGetChunk, 1, 0, &data);
    ASSERT_GT(size, 0);
    const std::vector<char> saved(static_cast<char*>(data), static_cast<char*>(data) + size);
    const float before = host.effect->getParameter(host.effect, 1);
    const float wanted = other.effect->getParameter(other.effect, 1);
    ASSERT_NE(before, wanted);
    {
        Allowance failing(0);
        EXPECT_EQ(host.Dispatch(effSetChunk, 1, size, const_cast<char*>(saved.data())), 0);
    }
    EXPECT_EQ(host.effect->getParameter(host.effect, 1), before);

    // And everything works again.
    EXPECT_EQ(host.Dispatch(effSetChunk, 1, size, const_cast<char*>(saved.data())), 1);
    EXPECT_EQ(host.effect->getParameter(host.effect, 1), wanted);
    host.effect->processReplacing(host.effect, nullptr, fouts, kLonger);
    EXPECT_EQ(plug->BlockFrames(), kLonger);
    EXPECT_NE(fl[kLonger - 1], 0.0f);
}

TEST_F(AudioThreadAllocations, TheCountersSeeAnAllocationAnotherLockAndAWait)
{
    // Guards the test itself: an allocation inside the counted region is seen.
    const int count = AllocationsDuring([] {
        auto* p = new int(3);
        delete p;
    });
    EXPECT_EQ(count, 1);
#ifdef QUELLORN_COUNT_LOCKS
    // A mutex held by another thread until this one has started waiting for it.
    std::mutex other;
    std::atomic<bool> held{false};
    std::thread holder([&] {
        std::lock_guard<std::mutex> guard(other);
        held = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    });
    while (!held)
        std::this_thread::yield();
    ResetLockRecord();
    AllocationsDuring([&] {
        std::lock_guard<std::recursive_mutex> objectLock(plug->Lock());
        std::lock_guard<std::mutex> guard(other);
    });
    holder.join();
    EXPECT_EQ(locks.acquisitions.load(), 2);
    EXPECT_EQ(locks.waits.load(), 1);
    EXPECT_EQ(locks.distinct.load(), 2);
    EXPECT_EQ(locks.mutexes[1], other.native_handle());
#endif
}

} // namespace
