#include "app/NumberFormat.h"

namespace {

template <typename Char>
class UserNumpunct : public std::numpunct<Char> {
public:
    explicit UserNumpunct(const NumberFormat& format) : format_(format) {}

protected:
    Char do_decimal_point() const override { return Narrow(format_.decimalPoint, '.'); }
    Char do_thousands_sep() const override { return Narrow(format_.thousandsSep, ','); }
    // A group separator without a one-byte form groups nothing in narrow text: a stand-in
    // could equal the decimal point (a locale writing 1 234,5 would become 1,234,5).
    std::string do_grouping() const override {
        if constexpr (sizeof(Char) == 1) {
            if (format_.thousandsSep >= 0x80)
                return std::string();
        }
        return format_.grouping;
    }

private:
    // A decimal point outside ASCII has no one-byte form: fall back.
    static Char Narrow(wchar_t c, char fallback) {
        if constexpr (sizeof(Char) == 1) {
            return c < 0x80 ? static_cast<Char>(c) : fallback;
        } else {
            return static_cast<Char>(c);
        }
    }

    NumberFormat format_;
};

}  // namespace

std::locale LocaleWithNumberFormat(const std::locale& base, const NumberFormat& format) {
    std::locale narrow(base, new UserNumpunct<char>(format));
    return std::locale(narrow, new UserNumpunct<wchar_t>(format));
}
