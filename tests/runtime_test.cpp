// The object runtime: class records, objects made from them, nil references.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/runtime.h"
#include "platform/testing.h"
#include "platform/thread.h"
#include "platform/timer.h"

namespace {

class Base : public Object {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Base, Object>("RuntimeTest.Base"); }
    int fValue = 7;
};

class Derived : public Base {
public:
    static const ClassRecord& Class() {
        return RegisterClassOf<Derived, Base>("RuntimeTest.Derived");
    }
};

class Abstract : public Object {
public:
    static const ClassRecord& Class() {
        return RegisterClassOf<Abstract, Object>("RuntimeTest.Abstract");
    }
    virtual void Work() = 0;
};

std::size_t PositionOf(const ClassRecord& record) {
    std::vector<const ClassRecord*> all = RegisteredClasses();
    return static_cast<std::size_t>(std::find(all.begin(), all.end(), &record) - all.begin());
}

class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override { ResetRuntimeForTesting(); }
    void TearDown() override { ResetRuntimeForTesting(); }
};

TEST_F(RuntimeTest, RegisteringIsIdempotentAndPutsTheBaseFirst) {
    const ClassRecord& derived = Derived::Class();  // its base is not registered yet
    const ClassRecord* base = LookupClass("RuntimeTest.Base");
    ASSERT_NE(base, nullptr);
    EXPECT_LT(PositionOf(*base), PositionOf(derived));
    EXPECT_EQ(derived.Base, base);

    std::size_t count = RegisteredClasses().size();
    EXPECT_EQ(&Derived::Class(), &derived);
    EXPECT_EQ(&RegisterClass("RuntimeTest.Derived", nullptr, {}), &derived)
        << "a second registration returns the first record unchanged";
    EXPECT_EQ(RegisteredClasses().size(), count);

    EXPECT_TRUE(derived.IsA(*base));
    EXPECT_TRUE(derived.IsA(Object::Class()));
    EXPECT_FALSE(base->IsA(derived));
    EXPECT_EQ(LookupClass("RuntimeTest.Missing"), nullptr);

    ClassRecord unregistered{"RuntimeTest.Unregistered", nullptr, {}};
    EXPECT_THROW(RegisterClass("RuntimeTest.Orphan", &unregistered, {}), RuntimeException)
        << "registering before the base is a programming error";
    EXPECT_EQ(LookupClass("RuntimeTest.Orphan"), nullptr);
}

TEST_F(RuntimeTest, NewObjectMakesTheClassAndStampsItsRecord) {
    Ref<Object> object = NewObject(Derived::Class());
    EXPECT_EQ(object->ClassInfo(), &Derived::Class());
    Ref<Derived> derived = object.Cast<Derived>();
    ASSERT_FALSE(derived.IsNil());
    EXPECT_EQ(derived->fValue, 7) << "fields hold their initial values";
    EXPECT_TRUE(object.Cast<Timer>().IsNil());
    EXPECT_EQ(New<Derived>()->ClassInfo(), nullptr);

    EXPECT_THROW(NewObject(Abstract::Class()), RuntimeException);
    EXPECT_FALSE(NewObject(Thread::Class()).Cast<Thread>().IsNil());
}

TEST_F(RuntimeTest, MemberAccessThroughNilThrows) {
    Ref<Base> nil;
    EXPECT_THROW(nil->fValue = 1, NilObjectException);
    EXPECT_THROW((void)*nil, NilObjectException);
    EXPECT_THROW((void)nil->fValue, RuntimeException) << "the program's catch takes it";
}

}  // namespace
