#include "sdk/single_component_effect.hpp"

#include <thread>

#include <gtest/gtest.h>

namespace {

// Two threads taking and dropping references on one object. Each release must decide from the
// count its own decrement produced; one that reads the count again races with the other thread
// (ThreadSanitizer reports it) and, at the last reference, two releases can both see zero and
// delete the object twice.
TEST(ReferenceCount, SurvivesConcurrentAddRefAndRelease) {
    auto* effect = new Steinberg::Vst::SingleComponentEffect;  // count 1, held by the test
    constexpr int rounds = 1'000'000;
    auto churn = [effect] {
        for (int i = 0; i < rounds; ++i) {
            effect->addRef();
            effect->release();
        }
    };
    std::thread first(churn);
    std::thread second(churn);
    first.join();
    second.join();
    EXPECT_EQ(effect->getRefCount(), 1);
    EXPECT_EQ(effect->release(), 0u);  // the last reference frees it
}

}  // namespace
