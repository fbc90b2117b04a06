#pragma once

// Frame writes of the simulated board play its DMA engine: they run beside the host's reads
// of the same buffer, and the reader tells from the buffer's fill count whether its copy met
// a refill. The thread checker never sees a real engine's writes; it is not shown these.
#if defined(__SANITIZE_THREAD__)
#define VIDRUNE_FGSIM_THREAD_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VIDRUNE_FGSIM_THREAD_CHECKER 1
#endif
#endif

#ifdef VIDRUNE_FGSIM_THREAD_CHECKER
extern "C" void AnnotateIgnoreWritesBegin(const char* file, int line);
extern "C" void AnnotateIgnoreWritesEnd(const char* file, int line);
#endif

namespace vidrune::fgsim {

// Marks the frame writes of one delivery, for as long as it lives.
class DmaWrite {
public:
    DmaWrite() {
#ifdef VIDRUNE_FGSIM_THREAD_CHECKER
        AnnotateIgnoreWritesBegin(__FILE__, __LINE__);
#endif
    }
    ~DmaWrite() {
#ifdef VIDRUNE_FGSIM_THREAD_CHECKER
        AnnotateIgnoreWritesEnd(__FILE__, __LINE__);
#endif
    }
    DmaWrite(const DmaWrite&) = delete;
    DmaWrite& operator=(const DmaWrite&) = delete;
};

} // namespace vidrune::fgsim
