// Tests of reference counting: heap and local objects, the owning pointer and its null check.
#include "Mem/RefCount.h"

#include "tests/Lang/ThrownBy.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace RcTest {

// A counted object that records its destructions.
class Probe : public Rc::IRefCount {
public:
    static inline int destroyed = 0;
    int value() const { return 7; }

protected:
    ~Probe() { ++destroyed; }
};

} // namespace RcTest

namespace {

using RcTest::Probe;

class RefCountTest : public testing::Test {
protected:
    void SetUp() override { Probe::destroyed = 0; }
};

TEST_F(RefCountTest, CopiesCountAndTheLastPointerDeletesOnce) {
    {
        const Rc::Pointer<Probe> first = Rc::Heap<Probe>::create();
        EXPECT_EQ(first->getRefCount(), 1);
        {
            const Rc::Pointer<Probe> second = first;
            EXPECT_EQ(first->getRefCount(), 2);
        }
        EXPECT_EQ(first->getRefCount(), 1);
        EXPECT_EQ(Probe::destroyed, 0);
    }
    EXPECT_EQ(Probe::destroyed, 1);
}

TEST_F(RefCountTest, AssignmentMovesOneReference) {
    Rc::Pointer<Probe> first = Rc::Heap<Probe>::create();
    Rc::Pointer<Probe> second = Rc::Heap<Probe>::create();
    second = first;
    EXPECT_EQ(Probe::destroyed, 1);
    EXPECT_EQ(first->getRefCount(), 2);
    const Rc::Pointer<Probe>& same = second;
    second = same;
    EXPECT_EQ(first->getRefCount(), 2);
    second = Rc::Pointer<Probe>();
    EXPECT_EQ(first->getRefCount(), 1);
    EXPECT_EQ(second.get(), nullptr);
}

TEST_F(RefCountTest, CountsAtomicallyAcrossThreads) {
    const Rc::Pointer<Probe> shared = Rc::Heap<Probe>::create();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&shared] {
            for (int i = 0; i < 20000; ++i)
                Rc::Pointer<Probe> copy = shared;
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(shared->getRefCount(), 1);
    EXPECT_EQ(Probe::destroyed, 0);
}

TEST_F(RefCountTest, LocalObjectsAreNeverCountedOrFreed) {
    {
        Rc::Local<Probe> local;
        EXPECT_EQ(local.addRef(), -1);
        EXPECT_EQ(local.release(), -1);
        EXPECT_EQ(local.release(), -1);
        EXPECT_EQ(local.getRefCount(), -1);
        EXPECT_EQ(Probe::destroyed, 0);
    }
    EXPECT_EQ(Probe::destroyed, 1);
}

TEST_F(RefCountTest, DereferencingAnEmptyPointerThrows) {
    const Rc::Pointer<Probe> empty;
    EXPECT_EQ(thrownBy<Lang::NullPointerException>([&] { return empty->value(); }),
              (Thrown{"NULL class RcTest::Probe pointer", "Rc::Pointer<RcTest::Probe>::operator->"}));
}

} // namespace
