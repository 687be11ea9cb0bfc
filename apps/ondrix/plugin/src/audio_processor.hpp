#pragma once

#include <memory>
#include <vector>

#include <clap/process.h>

#include "core.hpp"
#include "processor.hpp"

namespace vantrel_ondrix_plugin {

// The audio-thread side of an active instance: the Processor of this activation and the reused
// list of the block's generated events. Thread: built on the main thread by activate, then used
// by the audio thread only. Owner: the instance's audio processor cell, until deactivate.
class AudioProcessor {
  public:
    AudioProcessor(std::shared_ptr<ondrix_plugin_core::Core> core, double sample_rate);

    // One block: transport, control ticks, the merged output events, silent 32-bit outputs.
    // Returns CLAP_PROCESS_CONTINUE; a transport event of the wrong kind throws.
    clap_process_status process(const clap_process_t& process);

    // Makes every output send its value again at its next control tick.
    void start_processing();

    const ondrix_plugin_core::Processor& processor() const { return processor_; }

  private:
    ondrix_plugin_core::Processor processor_;
    std::vector<ondrix_plugin_core::Midi> out_;
};

}  // namespace vantrel_ondrix_plugin
