// One automatable setting of the plug-in: its plain value in its own units, its range,
// step and curve, and the conversions to and from the host's normalised 0..1 form and
// to and from display text.
//
// Owned by IPlugBase's parameter list for the life of the plug-in. Not locked itself:
// every caller holds the plug-in's object lock.
#pragma once

#include <cstdint>
#include <vector>

enum class ParamKind : std::int32_t {
    None = 0,
    Legacy = 1, // produced by no initialiser; treated as integral like Integer and Enumerated
    Integer = 2,
    Enumerated = 3,
    Real = 4,
};

constexpr int kParamTextSize = 32;

class IParameter {
public:
    void InitReal(const char* name, double defaultValue, double min, double max, double step,
                  const char* label);
    void InitInteger(const char* name, int defaultValue, int min, int max, const char* label);
    void InitEnumerated(const char* name, int defaultValue, int count, const char* label);
    void SetCurve(double exponent);
    void SetNegateDisplay(bool negate) { negateDisplay = negate; }
    void AddDisplayText(int value, const char* text);

    ParamKind Kind() const { return kind; }
    const char* ParamName() const { return name; }
    const char* ParamLabel() const { return label; }
    double PlainValue() const { return value; }
    double Min() const { return min; }
    double Max() const { return max; }
    double Step() const { return step; }
    double Curve() const { return curve; }
    int Precision() const { return precision; }
    bool NegateDisplay() const { return negateDisplay; }

    // Stores v as it is; callers clamp where the change path asks for it.
    void SetPlainValue(double v) { value = v; }
    // Clamps v to [min, max] and stores it (text entry, preset and state restore).
    void SetClampedValue(double v);

    double Normalised() const { return ToNormalised(value); }
    double ToNormalised(double v) const;
    void SetNormalised(double x);
    double FromNormalised(double x) const;

    int DisplayTextCount() const { return static_cast<int>(displayTexts.size()); }
    const char* DisplayTextFor(int entryValue) const;
    // The i-th display text in the order they were added; "" outside the list.
    const char* DisplayTextAt(int i) const
    {
        return i >= 0 && i < DisplayTextCount() ? displayTexts[static_cast<std::size_t>(i)].text : "";
    }
    bool ValueForDisplayText(const char* text, double* out) const;

    void DisplayText(double v, bool normalised, char out[kParamTextSize]) const;
    double TextToValue(const char* text) const;

private:
    struct DisplayEntry {
        int value;
        char text[kParamTextSize];
    };

    bool IsIntegral() const { return kind != ParamKind::Real; }

    ParamKind kind = ParamKind::None;
    double value = 0.0;
    double min = 0.0;
    double max = 1.0;
    double step = 1.0;
    double curve = 1.0;
    int precision = 0;
    char name[kParamTextSize] = {};
    char label[kParamTextSize] = {};
    bool negateDisplay = false;
    std::vector<DisplayEntry> displayTexts;
};

// Copies src into a fixed buffer of `size` bytes, always terminated; a null src gives "".
void CopyText(char* dst, const char* src, std::size_t size);
// Reads the leading number of text the way strtod does, hexadecimal forms included, but
// always with a point as separator whatever the process locale; 0 when there is none or it
// is not a number.
double LeadingNumber(const char* text);
