// A number as a workbook stores it, as a record's field takes it.
#include "workbook/package.h"

#include <array>
#include <charconv>
#include <optional>
#include <string>

namespace brisel {
namespace {

using package::trimmed;

// The significant digits of a number written out, its decimal exponent and its sign, as
// the text stands: "-1.5E+3" is "15", 3, negative. Nothing for text that is no number.
struct DecimalDigits {
    std::string digits;  // without leading zeros; empty for zero
    long exponent = 0;   // the value is 0.digits times ten to this
    bool negative = false;
};

std::optional<DecimalDigits> decimalDigits(std::string_view text) {
    DecimalDigits number;
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        number.negative = text[at++] == '-';
    bool anyDigit = false;
    bool point = false;
    long beforePoint = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            anyDigit = true;
            if (number.digits.empty() && c == '0') {
                if (point)
                    --number.exponent;  // a zero between the point and the first digit
                continue;
            }
            number.digits += c;
            beforePoint += !point;
        } else {
            break;
        }
    }
    number.exponent += beforePoint;
    if (!anyDigit)
        return std::nullopt;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        long power = 0;
        std::string_view rest = text.substr(at + 1);
        if (!rest.empty() && rest.front() == '+')
            rest.remove_prefix(1);
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), power);
        if (error != std::errc() || end != rest.data() + rest.size() || power > 100000 || power < -100000)
            return std::nullopt;
        number.exponent += power;
        at = text.size();
    }
    if (at != text.size())
        return std::nullopt;
    return number;
}

// The digits written with a decimal comma and no exponent: "123", "1,5", "0,015".
std::string withDecimalComma(bool negative, std::string digits, long exponent) {
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string text = negative ? "-" : "";
    const long point = exponent;  // digits before the decimal point
    if (point <= 0) {
        text += "0,";
        text.append(static_cast<std::size_t>(-point), '0');
        text += digits;
    } else if (static_cast<std::size_t>(point) >= digits.size()) {
        text += digits;
        text.append(static_cast<std::size_t>(point) - digits.size(), '0');
    } else {
        text += digits.substr(0, static_cast<std::size_t>(point));
        text += ',';
        text += digits.substr(static_cast<std::size_t>(point));
    }
    return text;
}

}  // namespace

std::string numberText(std::string_view stored) {
    const std::string_view given = trimmed(stored);
    std::string_view magnitude = given;
    if (!magnitude.empty() && magnitude.front() == '+')
        magnitude.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(magnitude.data(), magnitude.data() + magnitude.size(), value);
    if (error == std::errc::result_out_of_range && end == magnitude.data() + magnitude.size()) {
        // Past the largest double, or too close to zero for the smallest: the digits
        // themselves, rounded to 15, or zero.
        const std::optional<DecimalDigits> number = decimalDigits(given);
        if (!number || number->digits.empty() || number->exponent < 0)
            return number ? "0" : std::string(stored);
        std::string digits = number->digits.substr(0, 16);
        digits.resize(16, '0');
        long exponent = number->exponent;
        const bool up = digits[15] >= '5';
        digits.pop_back();
        if (up) {
            std::size_t at = digits.size();
            while (at > 0 && digits[at - 1] == '9')
                digits[--at] = '0';
            if (at == 0) {
                digits.insert(digits.begin(), '1');
                digits.pop_back();
                ++exponent;
            } else {
                ++digits[at - 1];
            }
        }
        return withDecimalComma(number->negative, digits, exponent);
    }
    if (error != std::errc() || end != magnitude.data() + magnitude.size() || value != value || value - value != 0)
        return std::string(stored);
    if (value == 0)
        return "0";
    std::array<char, 32> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::scientific, 14);
    // d.ddddddddddddde±x: the 15 significant digits and where the point belongs.
    std::string_view scientific(buffer.data(), static_cast<std::size_t>(written.ptr - buffer.data()));
    const bool negative = scientific.front() == '-';
    if (negative)
        scientific.remove_prefix(1);
    const std::size_t e = scientific.find('e');
    std::string digits;
    for (const char c : scientific.substr(0, e))
        if (c != '.')
            digits += c;
    long exponent = 0;
    std::string_view power = scientific.substr(e + 1);
    if (power.front() == '+')
        power.remove_prefix(1);
    std::from_chars(power.data(), power.data() + power.size(), exponent);
    return withDecimalComma(negative, digits, exponent + 1);
}

}  // namespace brisel
