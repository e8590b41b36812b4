#include "app/model/NumberLocale.h"

#include <string>

namespace keldra {

namespace {

class QtNumberPunctuation final : public std::numpunct<char> {
public:
    explicit QtNumberPunctuation(const QLocale& locale) {
        const QString group = locale.groupSeparator();
        const QString decimal = locale.decimalPoint();
        thousands_ = group.size() == 1 && group[0].unicode() < 0x80 ? char(group[0].unicode()) : ' ';
        decimal_ = decimal.size() == 1 && decimal[0].unicode() < 0x80 ? char(decimal[0].unicode()) : '.';
        grouping_ = locale.numberOptions().testFlag(QLocale::OmitGroupSeparator) ? "" : "\3";
    }

protected:
    char do_thousands_sep() const override { return thousands_; }
    char do_decimal_point() const override { return decimal_; }
    std::string do_grouping() const override { return grouping_; }

private:
    char thousands_ = ',';
    char decimal_ = '.';
    std::string grouping_;
};

} // namespace

std::locale withNumberFormatOf(const std::locale& base, const QLocale& numbers) {
    return std::locale(base, new QtNumberPunctuation(numbers));
}

std::locale installNumberFormat(const QLocale& numbers) {
    return std::locale::global(withNumberFormatOf(std::locale(), numbers));
}

} // namespace keldra
