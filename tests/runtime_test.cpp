// The object runtime: member access through a nil reference.

#include <gtest/gtest.h>

#include "platform/runtime.h"

namespace {

class Holder : public Object {
public:
    static const ClassRecord& Class() {
        return RegisterClassOf<Holder, Object>("RuntimeTest.Holder");
    }
    int fValue = 0;
};

TEST(Runtime, MemberAccessThroughNilThrowsWhatTheProgramCatches) {
    Ref<Holder> nil;
    EXPECT_THROW(nil->fValue = 1, NilObjectException);
    EXPECT_THROW((void)*nil, RuntimeException);
}

}  // namespace
