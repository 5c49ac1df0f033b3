// The object runtime: class records and nil references.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/runtime.h"

namespace {

class Base : public Object {
public:
    static const ClassRecord& Class() { return RegisterClassOf<Base, Object>("RuntimeTest.Base"); }
    int fValue = 0;
};

class Derived : public Base {
public:
    static const ClassRecord& Class() {
        return RegisterClassOf<Derived, Base>("RuntimeTest.Derived");
    }
};

TEST(Runtime, RegisteringIsIdempotentAndPutsTheBaseFirst) {
    const ClassRecord& derived = Derived::Class();  // its base is not registered yet
    std::vector<const ClassRecord*> all = RegisteredClasses();
    auto base = std::find(all.begin(), all.end(), LookupClass("RuntimeTest.Base"));
    ASSERT_NE(base, all.end());
    EXPECT_LT(base, std::find(all.begin(), all.end(), &derived));
    EXPECT_TRUE(derived.IsA(**base) && derived.IsA(Object::Class()) && !(*base)->IsA(derived));

    EXPECT_EQ(&RegisterClass("RuntimeTest.Derived", nullptr, {}), &derived)
        << "a second registration returns the first record unchanged";
    EXPECT_EQ(RegisteredClasses(), all);

    ClassRecord unregistered{"RuntimeTest.Unregistered", nullptr, {}};
    EXPECT_THROW(RegisterClass("RuntimeTest.Orphan", &unregistered, {}), RuntimeException)
        << "registering before the base is a programming error";
    EXPECT_EQ(LookupClass("RuntimeTest.Orphan"), nullptr);
}

TEST(Runtime, MemberAccessThroughNilThrows) {
    Ref<Base> nil;
    EXPECT_THROW(nil->fValue = 1, NilObjectException);
    EXPECT_THROW((void)*nil, RuntimeException) << "the program's catch takes it";
}

}  // namespace
