#pragma once

// Layout records: a window's or a control's properties as data, applied in one call.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "object.h"

// Color is an RGB colour, 0xRRGGBB.
struct Color {
    uint32_t Rgb = 0;
    friend bool operator==(Color a, Color b) { return a.Rgb == b.Rgb; }
};

// PropertyValue is one value of a layout record: a Boolean, an integer, a number, a text
// or a colour.
class PropertyValue {
public:
    PropertyValue(bool value) : fValue(value) {}
    PropertyValue(int value) : fValue(int64_t{value}) {}
    PropertyValue(int64_t value) : fValue(value) {}
    PropertyValue(double value) : fValue(value) {}
    PropertyValue(const char* value) : fValue(std::string(value)) {}
    PropertyValue(std::string value) : fValue(std::move(value)) {}
    PropertyValue(Color value) : fValue(value) {}

    // Each accessor throws RuntimeException when the value is of another kind: a record
    // that gives a property the wrong kind of value is a programming error.
    bool AsBoolean() const;
    int64_t AsInteger() const;
    double AsNumber() const;  // an integer is taken as a number too
    const std::string& AsText() const;
    Color AsColor() const;

private:
    std::variant<bool, int64_t, double, std::string, Color> fValue;
};

// Property is one name/value entry of a layout record.
struct Property {
    std::string Name;
    PropertyValue Value;
};

using LayoutRecord = std::vector<Property>;

// PropertyTarget is anything a layout record can be applied to.
class PropertyTarget {
public:
    virtual ~PropertyTarget() = default;

    // SetProperty applies one property and returns true, or returns false when the name is
    // not a property of the object. Properties that mean nothing here are known and ignored.
    virtual bool SetProperty(const std::string& name, const PropertyValue& value) = 0;
};

// SetProperties applies a record's entries in their order. An unknown name is a programming
// error: it throws RuntimeException naming the property.
void SetProperties(PropertyTarget& target, const LayoutRecord& record);

template <class T>
void SetProperties(const Ref<T>& target, const LayoutRecord& record) {
    SetProperties(static_cast<PropertyTarget&>(*target), record);
}
