#include "base/source/fobject.h"

#include <thread>

#include <gtest/gtest.h>

namespace {

// Two threads taking and dropping references on one object: every release must see the count
// its own decrement produced, or two of them can both see zero and delete the object twice.
TEST(ReferenceCount, SurvivesConcurrentAddRefAndRelease) {
    auto* object = new Steinberg::FObject;  // count 1, held by the test
    constexpr int rounds = 1'000'000;
    auto churn = [object] {
        for (int i = 0; i < rounds; ++i) {
            object->addRef();
            object->release();
        }
    };
    std::thread first(churn);
    std::thread second(churn);
    first.join();
    second.join();
    EXPECT_EQ(object->getRefCount(), 1);
    EXPECT_EQ(object->release(), 0u);  // the last reference frees it; ASan would report a leak
}

}  // namespace
