#include "plugbase/IParameter.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

void CopyText(char* dst, const char* src, std::size_t size)
{
    if (size == 0)
        return;
    std::size_t n = 0;
    if (src)
        while (n + 1 < size && src[n])
            ++n;
    if (n)
        std::memcpy(dst, src, n);
    dst[n] = '\0';
}

double LeadingNumber(const char* text)
{
    if (!text)
        return 0.0;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (*p == '+' || *p == '-')
        return 0.0; // from_chars would take a second sign that strtod refuses
    // strtod reads "0x" and hexadecimal digits, with a binary exponent after 'p'; without a
    // digit after it, only the 0 before it. from_chars wants the digits alone, and would
    // take a sign, "inf" or "nan" there that strtod does not.
    const bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X')
                     && (std::isxdigit(static_cast<unsigned char>(p[2]))
                         || (p[2] == '.' && std::isxdigit(static_cast<unsigned char>(p[3]))));
    if (hex)
        p += 2;
    // from_chars reads no sign of its own here and never consults the locale, so a host
    // running under a comma-decimal locale still parses the point-separated texts we show.
    double v = 0.0;
    const char* end = p + std::strlen(p);
    auto result = std::from_chars(p, end, v, hex ? std::chars_format::hex : std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: an exponent with a minus sign underflowed.
        const char* e = std::find_if(p, result.ptr, [hex](char c) {
            return hex ? c == 'p' || c == 'P' : c == 'e' || c == 'E';
        });
        const bool underflow = e + 1 < result.ptr && e[1] == '-';
        v = underflow ? 0.0 : HUGE_VAL;
    } else if (result.ec != std::errc()) {
        return 0.0;
    }
    if (std::isnan(v))
        return 0.0; // a NaN would slip through every later clamp
    return negative ? -v : v;
}

void IParameter::InitReal(const char* newName, double defaultValue, double newMin, double newMax,
                          double newStep, const char* newLabel)
{
    if (kind == ParamKind::None)
        kind = ParamKind::Real;
    CopyText(name, newName, sizeof name);
    CopyText(label, newLabel, sizeof label);
    min = newMin;
    value = defaultValue;
    max = (newMax >= newMin + newStep) ? newMax : newMin + newStep;
    step = newStep;
    precision = 0;
    double s = newStep;
    while (precision < 6 && s != std::floor(s)) {
        s *= 10.0;
        ++precision;
    }
}

void IParameter::InitInteger(const char* newName, int defaultValue, int newMin, int newMax,
                             const char* newLabel)
{
    if (kind == ParamKind::None)
        kind = ParamKind::Integer;
    InitReal(newName, defaultValue, newMin, newMax, 1.0, newLabel);
}

void IParameter::InitEnumerated(const char* newName, int defaultValue, int count,
                                const char* newLabel)
{
    if (kind == ParamKind::None)
        kind = ParamKind::Enumerated;
    InitReal(newName, defaultValue, 0, count - 1, 1.0, newLabel);
}

void IParameter::SetCurve(double exponent)
{
    if (exponent != 0.0)
        curve = exponent;
}

void IParameter::AddDisplayText(int entryValue, const char* text)
{
    DisplayEntry entry{};
    entry.value = entryValue;
    CopyText(entry.text, text, sizeof entry.text);
    displayTexts.push_back(entry);
}

void IParameter::SetClampedValue(double v)
{
    // A NaN would pass through the clamp and poison every derived setting.
    value = std::isnan(v) ? min : std::clamp(v, min, max);
}

double IParameter::ToNormalised(double v) const
{
    v = std::clamp(v, min, max);
    return std::pow((v - min) / (max - min), 1.0 / curve);
}

double IParameter::FromNormalised(double x) const
{
    if (std::isnan(x))
        x = 0.0; // hosts have sent NaN; it must not reach the plain value
    double v = std::pow(x, curve) * (max - min) + min;
    if (IsIntegral())
        v = std::floor(v / step + 0.5) * step;
    return std::min(v, max);
}

void IParameter::SetNormalised(double x)
{
    value = FromNormalised(x);
}

const char* IParameter::DisplayTextFor(int entryValue) const
{
    for (const DisplayEntry& entry : displayTexts)
        if (entry.value == entryValue)
            return entry.text;
    return "";
}

bool IParameter::ValueForDisplayText(const char* text, double* out) const
{
    if (!text)
        return false;
    for (const DisplayEntry& entry : displayTexts) {
        if (std::strcmp(entry.text, text) == 0) {
            if (out)
                *out = entry.value;
            return true;
        }
    }
    return false;
}

void IParameter::DisplayText(double v, bool normalised, char out[kParamTextSize]) const
{
    if (normalised)
        v = std::pow(v, curve) * (max - min) + min;

    if (!displayTexts.empty() && std::isfinite(v) && std::fabs(v) < 2147483647.0) {
        const int r = static_cast<int>(std::round(v));
        for (const DisplayEntry& entry : displayTexts) {
            if (entry.value == r) {
                if (entry.text[0]) {
                    CopyText(out, entry.text, kParamTextSize);
                    return;
                }
                break;
            }
        }
    }

    if (negateDisplay)
        v = -v;
    if (v == 0.0) {
        CopyText(out, "0", kParamTextSize);
        return;
    }

    // to_chars is locale-independent and gives the same digits under glibc and the Windows
    // runtime, whose printf families disagree on rounding of long fractions.
    char* const last = out + kParamTextSize - 1;
    std::to_chars_result result;
    if (precision > 0) {
        result = std::to_chars(out, last, v, std::chars_format::fixed, precision);
    } else {
        const double t = std::trunc(v);
        const long long whole = !std::isfinite(t) ? (t < 0 ? INT_MIN : INT_MAX)
                                                  : static_cast<long long>(std::clamp(
                                                        t, double(INT_MIN), double(INT_MAX)));
        result = std::to_chars(out, last, whole);
    }
    if (result.ec != std::errc()) {
        // Only a value far outside any parameter's range gets here; show it as such.
        CopyText(out, v < 0 ? "-inf" : "inf", kParamTextSize);
        return;
    }
    *result.ptr = '\0';
}

double IParameter::TextToValue(const char* text) const
{
    double entryValue = 0.0;
    if (!displayTexts.empty() && ValueForDisplayText(text, &entryValue))
        return entryValue;
    const double v = LeadingNumber(text);
    return negateDisplay ? -v : v;
}
