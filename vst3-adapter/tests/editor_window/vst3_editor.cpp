#include "vst3_editor.hpp"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "pluginterfaces/vst/ivstevents.h"
#include "vst3/block_io.hpp"
#include "vst3/run_vst3_host.hpp"

namespace vst3_editor_testing {

using ondrix_host_testing::FD_READ;
using ondrix_host_testing::MainLoop;

namespace {

constexpr std::uint32_t BLOCK = 480;
constexpr double SAMPLE_RATE = 48000.0;

// The object's `Interface`, with a reference of its own; null when it has none.
template <class Interface>
Interface* query(FUnknown* object) {
    void* found = nullptr;
    if (object == nullptr || object->queryInterface(Interface::iid.toTUID(), &found) != kResultOk) {
        return nullptr;
    }
    return static_cast<Interface*>(found);
}

template <class Interface>
void release(Interface*& object) {
    if (object != nullptr) object->release();
    object = nullptr;
}

// Drops every registration of `handler`, each taken off the main loop by `remove` (its key).
template <class Registrations, class Handler, class Remove>
tresult forget(Registrations& registrations, Handler* handler, Remove remove) {
    bool found = false;
    for (auto it = registrations.begin(); it != registrations.end();) {
        if (it->second != handler) {
            ++it;
            continue;
        }
        remove(it->first);
        it = registrations.erase(it);
        found = true;
    }
    return found ? kResultOk : kInvalidArgument;
}

}  // namespace

void PrintTo(const FakeHost& host, std::ostream* out) {
    *out << host.name;
}

MainLoopRunLoop::MainLoopRunLoop(MainLoop& loop) : loop_(loop) {
    // The loop owns no reference during a call: the handler keeps itself alive if it must.
    loop_.on_fd = [this](int fd, std::uint32_t) {
        if (const auto found = handlers_.find(fd); found != handlers_.end()) {
            Linux::IEventHandler* handler = found->second;
            handler->onFDIsSet(fd);
        }
    };
    loop_.on_timer = [this](std::uint32_t id) {
        if (const auto found = timers_.find(id); found != timers_.end()) {
            Linux::ITimerHandler* handler = found->second;
            handler->onTimer();
        }
    };
}

tresult PLUGIN_API MainLoopRunLoop::registerEventHandler(Linux::IEventHandler* handler,
                                                         Linux::FileDescriptor fd) {
    if (handler == nullptr || handlers_.count(fd) != 0 || !loop_.add_fd(fd, FD_READ)) {
        return kInvalidArgument;
    }
    handlers_.emplace(fd, handler);
    return kResultOk;
}

tresult PLUGIN_API MainLoopRunLoop::unregisterEventHandler(Linux::IEventHandler* handler) {
    return forget(handlers_, handler, [this](int fd) { loop_.remove_fd(fd); });
}

tresult PLUGIN_API MainLoopRunLoop::registerTimer(Linux::ITimerHandler* handler,
                                                  Linux::TimerInterval milliseconds) {
    if (handler == nullptr) return kInvalidArgument;
    timers_.emplace(loop_.add_timer(static_cast<std::uint32_t>(milliseconds)), handler);
    return kResultOk;
}

tresult PLUGIN_API MainLoopRunLoop::unregisterTimer(Linux::ITimerHandler* handler) {
    return forget(timers_, handler, [this](std::uint32_t id) { loop_.remove_timer(id); });
}

tresult PLUGIN_API HostContext::queryInterface(const TUID iid, void** object) {
    if (loop != nullptr && FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) {
        *object = loop;
        return kResultOk;
    }
    return HostApplication::queryInterface(iid, object);
}

tresult PLUGIN_API ComponentHandler::setDirty(TBool state) {
    if (state) ++dirty_marks;
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::queryInterface(const TUID iid, void** object) {
    if (FUnknownPrivate::iidEqual(iid, Vst::IComponentHandler2::iid)) {
        *object = static_cast<Vst::IComponentHandler2*>(this);
        return kResultOk;
    }
    if (FUnknownPrivate::iidEqual(iid, Vst::IComponentHandler::iid) ||
        FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
        *object = static_cast<Vst::IComponentHandler*>(this);
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

CapturedOutput::CapturedOutput(int fd) : fd_(fd) {
    char path[] = "/tmp/ondrix-captured-XXXXXX";
    const int file = mkstemp(path);
    if (file < 0) throw std::runtime_error("no temporary file for the captured output");
    path_ = path;
    std::fflush(nullptr);
    saved_ = dup(fd_);
    dup2(file, fd_);
    close(file);
}

CapturedOutput::~CapturedOutput() {
    std::fflush(nullptr);
    dup2(saved_, fd_);
    close(saved_);
    unlink(path_.c_str());
}

std::string CapturedOutput::text() const {
    std::fflush(nullptr);
    std::ifstream in(path_);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::vector<std::string> CapturedOutput::lines() const {
    std::istringstream in(text());
    std::vector<std::string> found;
    for (std::string line; std::getline(in, line);) found.push_back(line);
    return found;
}

bool CapturedOutput::holds(const std::string& line) const {
    const auto all = lines();
    return std::find(all.begin(), all.end(), line) != all.end();
}

Vst3Editor::Vst3Editor(const FakeHost& host) : host(host) {
    std::string error;
    module_ = ondrix_tools::Vst3Module::load(ONDRIX_VST3_BUNDLE, error);
    if (module_ == nullptr) throw std::runtime_error(error);
    PClassInfo audio_class;
    if (module_->factory().getClassInfo(0, &audio_class) != kResultOk ||
        module_->factory().createInstance(audio_class.cid, Vst::IComponent::iid.toTUID(),
                                          reinterpret_cast<void**>(&component_)) != kResultOk) {
        throw std::runtime_error("the bundle made no component");
    }
    processor_ = query<Vst::IAudioProcessor>(component_);
    controller_ = query<Vst::IEditController>(component_);
    if (processor_ == nullptr || controller_ == nullptr) {
        throw std::runtime_error("the component is no processor or no edit controller");
    }
    if (host.loop_on_context) context_.loop = &run_loop;
    initialized_ = component_->initialize(&context_) == kResultOk;
    if (!initialized_) throw std::runtime_error("the component failed to initialise");
    controller_->setComponentHandler(&handler_);
}

Vst3Editor::~Vst3Editor() {
    close();
    shut_down();
    EXPECT_TRUE(loop.fds().empty()) << "a file descriptor stays on the host's loop";
    EXPECT_EQ(loop.timer_count(), 0u) << "a timer stays on the host's loop";
}

tresult Vst3Editor::open() {
    return open(parent.id());
}

tresult Vst3Editor::open(ondrix_host_testing::WindowId window) {
    view_ = controller_->createView(Vst::ViewType::kEditor);
    if (view_ == nullptr) return kResultFalse;
    if (view_->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultOk) {
        return kNotImplemented;
    }
    if (host.size_before_attached) {
        ViewRect size{};
        view_->getSize(&size);
        ViewRect wanted = *host.size_before_attached;
        view_->onSize(&wanted);
    }
    if (host.attached_before_frame) {
        const tresult result = attach(window);
        view_->setFrame(&frame);
        return result;
    }
    view_->setFrame(&frame);
    return attach(window);
}

tresult Vst3Editor::attach(ondrix_host_testing::WindowId window) {
    return view_->attached(reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)),
                           kPlatformTypeX11EmbedWindowID);
}

void Vst3Editor::close() {
    if (view_ == nullptr) return;
    view_->removed();
    view_->setFrame(nullptr);
    release(view_);
}

void Vst3Editor::start() {
    for (const Vst::MediaType type : {Vst::kAudio, Vst::kEvent}) {
        for (const Vst::BusDirection direction : {Vst::kInput, Vst::kOutput}) {
            for (int32 i = 0; i < component_->getBusCount(type, direction); ++i) {
                component_->activateBus(type, direction, i, true);
            }
        }
    }
    Vst::ProcessSetup setup{Vst::kRealtime, Vst::kSample32, BLOCK, SAMPLE_RATE};
    ASSERT_EQ(processor_->setupProcessing(setup), kResultOk);
    ASSERT_EQ(component_->setActive(true), kResultOk);
    active_ = true;
    ASSERT_EQ(processor_->setProcessing(true), kResultOk);
}

std::set<Controller> Vst3Editor::play(int blocks) {
    ondrix_tools::BlockIo io(*component_, BLOCK);
    std::set<Controller> sent;
    for (int i = 0; i < blocks; ++i) {
        Vst::ProcessContext context = ondrix_tools::block_context(played_, SAMPLE_RATE, 120.0, true);
        Vst::ProcessData data = io.data(BLOCK, context);
        EXPECT_EQ(processor_->process(data), kResultOk);
        for (const Vst::Event& event : io.out_events.events()) {
            if (event.type == Vst::Event::kLegacyMIDICCOutEvent &&
                event.midiCCOut.controlNumber < 128) {
                sent.emplace(event.midiCCOut.channel, event.midiCCOut.controlNumber);
            }
        }
        io.out_events.clear();
        played_ += BLOCK;
    }
    return sent;
}

void Vst3Editor::shut_down() {
    if (active_) {
        processor_->setProcessing(false);
        component_->setActive(false);
        active_ = false;
    }
    if (initialized_) {
        component_->terminate();
        initialized_ = false;
    }
    release(controller_);
    release(processor_);
    release(component_);
}

std::string Vst3Editor::state() {
    ondrix_tools::ByteStream stream;
    EXPECT_EQ(component_->getState(&stream), kResultOk);
    return stream.bytes();
}

}  // namespace vst3_editor_testing
