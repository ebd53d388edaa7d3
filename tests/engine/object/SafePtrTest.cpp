#include "engine/object/SafePtr.h"
#include "engine/object/DeleteOwnedPointerVector.h"

#include <gtest/gtest.h>
#include <memory>

namespace {
struct Target : SafeClass {
    explicit Target(int v = 0) : value(v) {}
    int value;
};
} // namespace

TEST(SafePtrTest, ClearedWhenTheTargetDies)
{
    auto target = std::make_unique<Target>(7);
    SafePtr<Target> p(target.get());
    ASSERT_TRUE(p);
    EXPECT_EQ(p->value, 7);
    target.reset();
    EXPECT_FALSE(p);
    EXPECT_EQ(p.get(), nullptr);
}

TEST(SafePtrTest, CopiesAndManyPointersAreAllCleared)
{
    auto target = std::make_unique<Target>();
    SafePtr<Target> a(target.get());
    SafePtr<Target> b(a);
    SafePtr<Target> c;
    c = b;
    std::vector<SafePtr<Target>> many(50, a);
    EXPECT_EQ(target->getSafePtrCount(), 53u);
    target.reset();
    EXPECT_FALSE(a || b || c);
    for (const auto& p : many) {
        EXPECT_FALSE(p);
    }
}

TEST(SafePtrTest, MovesLeaveTheSourceNullAndStayRegistered)
{
    auto target = std::make_unique<Target>();
    SafePtr<Target> a(target.get());
    SafePtr<Target> b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), target.get());
    SafePtr<Target> c;
    c = std::move(b);
    EXPECT_FALSE(b);
    EXPECT_EQ(target->getSafePtrCount(), 1u);
    // Growing a vector moves its pointers.
    std::vector<SafePtr<Target>> list;
    for (int i = 0; i < 20; ++i) {
        list.emplace_back(target.get());
    }
    EXPECT_EQ(target->getSafePtrCount(), 21u);
    target.reset();
    EXPECT_FALSE(c);
    for (const auto& p : list) {
        EXPECT_FALSE(p);
    }
}

TEST(SafePtrTest, ReassignedPointerFollowsOnlyItsNewTarget)
{
    auto first = std::make_unique<Target>(1);
    auto second = std::make_unique<Target>(2);
    SafePtr<Target> p(first.get());
    assignSafePtr(p, second.get());
    EXPECT_EQ(first->getSafePtrCount(), 0u);
    first.reset();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->value, 2);
    SafePtr<Target>& alias = p;
    p = alias; // self-assignment keeps it
    EXPECT_EQ(second->getSafePtrCount(), 1u);
    second.reset();
    EXPECT_FALSE(p);
}

TEST(SafePtrTest, PointerDyingFirstUnregistersItself)
{
    auto target = std::make_unique<Target>();
    SafePtr<Target> keep(target.get());
    {
        SafePtr<Target> a(target.get());
        SafePtr<Target> b(target.get());
        EXPECT_EQ(target->getSafePtrCount(), 3u);
        b = nullptr;
        EXPECT_EQ(target->getSafePtrCount(), 2u);
    }
    EXPECT_EQ(target->getSafePtrCount(), 1u);
    // A copied object starts with no pointers of its own.
    Target copy(*target);
    EXPECT_EQ(copy.getSafePtrCount(), 0u);
    target.reset();
    EXPECT_FALSE(keep);
}

namespace {
struct Counted : BaseClass {
    explicit Counted(int& deaths) : m_deaths(deaths) {}
    ~Counted() override { ++m_deaths; }
    int& m_deaths;
};
} // namespace

TEST(DeleteOwnedPointerVectorTest, DeletesEveryElementAndEmptiesTheVector)
{
    int deaths = 0;
    std::vector<BaseClass*> owned = {new Counted(deaths), nullptr, new Counted(deaths), new Counted(deaths)};
    deleteOwnedPointerVector(owned);
    EXPECT_EQ(deaths, 3);
    EXPECT_TRUE(owned.empty());
}
