#pragma once

// A VST3 parameter standing for one CLAP parameter, or for one MIDI controller of a channel
// (the MIDI-mapping parameters a host binds its controllers to), with the conversions between
// the host's normalized values and the plug-in's values.
// Threads: made on the main thread; read on any (the conversions keep no state). Reference
// counted (FObject): `create` hands its one reference to the caller, usually a ParameterContainer.

#include "public.sdk/source/vst/vstparameters.h"

#include <clap/ext/params.h>

#include <cstdint>
#include <functional>

class Vst3Parameter : public Steinberg::Vst::Parameter {
public:
    // Controllers past the 128 control changes.
    static constexpr std::uint8_t channelPressure = 128;
    static constexpr std::uint8_t pitchBend = 129;
    static constexpr std::uint8_t programChange = 130;

    // From the plug-in's description; `unitOf` turns a non-empty module path into a unit id
    // (without it, or for an empty path, the parameter sits in the root unit).
    static Vst3Parameter* create(const clap_param_info_t& info,
                                 const std::function<int(const char*)>& unitOf);
    // The MIDI-mapping parameter for `controller` of `channel` with VST3 id `id`.
    static Vst3Parameter* create(std::uint8_t bus, std::uint8_t channel, std::uint8_t controller,
                                 std::uint32_t id);

    // The plug-in's value for a normalized one; stepped parameters land on a whole step.
    double asClapValue(double normalized) const;
    // The normalized value for a plug-in value, 0 to 1; stepped ones land on a whole step.
    double asVst3Value(double clapValue) const;

    std::int32_t clapIndex = 0;
    std::uint32_t clapId = 0;
    void* cookie = nullptr;
    double minimum = 0;
    double maximum = 1;
    bool isMidi = false;
    std::uint8_t channel = 0;
    std::uint8_t controller = 0;

    OBJ_METHODS(Vst3Parameter, Steinberg::Vst::Parameter)

private:
    Vst3Parameter() = default;
};
