#include "layout.h"

namespace {

template <class T>
const T& Held(const std::variant<bool, int64_t, double, std::string, Color>& value, const char* kind) {
    if (const T* held = std::get_if<T>(&value)) return *held;
    throw RuntimeException(std::string("layout record: the value is not ") + kind);
}

}  // namespace

bool PropertyValue::AsBoolean() const { return Held<bool>(fValue, "a Boolean"); }

int64_t PropertyValue::AsInteger() const { return Held<int64_t>(fValue, "an integer"); }

double PropertyValue::AsNumber() const {
    if (const int64_t* integer = std::get_if<int64_t>(&fValue)) return static_cast<double>(*integer);
    return Held<double>(fValue, "a number");
}

const std::string& PropertyValue::AsText() const { return Held<std::string>(fValue, "a text"); }

Color PropertyValue::AsColor() const { return Held<Color>(fValue, "a colour"); }

void SetProperties(PropertyTarget& target, const LayoutRecord& record) {
    for (const Property& property : record) {
        if (!target.SetProperty(property.Name, property.Value))
            throw RuntimeException("layout record: unknown property \"" + property.Name + "\"");
    }
}
