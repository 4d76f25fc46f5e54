#include "display/gcode_tokenizer.h"

namespace zorvan::display {
namespace {

// The scanning rule that a token's first character selects.
enum class ScanRule : std::uint8_t {
    Null,
    Space,
    CarriageReturn,
    LineFeed,
    Comment,
    Axis,
    GCode,
    LineNo,
    MCode,
    Number,
    Tsf,
    Unknown,
};

constexpr bool InRange(int c, char low, char high) {
    return (c >= low && c <= high) || (c >= low + ('a' - 'A') && c <= high + ('a' - 'A'));
}

constexpr ScanRule RuleFor(int c) {
    if (c == 0) return ScanRule::Null;
    if (c == 13) return ScanRule::CarriageReturn;
    if (c == 10) return ScanRule::LineFeed;
    if (c <= 32) return ScanRule::Space;
    if (c == '(' || c == '*' || c == '/') return ScanRule::Comment;
    if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.') return ScanRule::Number;
    if (InRange(c, 'A', 'D') || InRange(c, 'H', 'K') || InRange(c, 'P', 'R') || InRange(c, 'W', 'Z')) {
        return ScanRule::Axis;
    }
    if (InRange(c, 'G', 'G')) return ScanRule::GCode;
    if (InRange(c, 'N', 'N')) return ScanRule::LineNo;
    if (InRange(c, 'M', 'M')) return ScanRule::MCode;
    if (InRange(c, 'F', 'F') || InRange(c, 'S', 'T')) return ScanRule::Tsf;
    return ScanRule::Unknown;
}

constexpr std::array<ScanRule, 256> BuildRuleTable() {
    std::array<ScanRule, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = RuleFor(c);
    return table;
}

// Built once, for every instance.
constexpr std::array<ScanRule, 256> RULES = BuildRuleTable();

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsNumberChar(char c) {
    return IsDigit(c) || c == '+' || c == '-' || c == '.';
}

// Blanks and control characters other than the two line-break characters; the end of the text reads as
// character 0, which is none of them.
bool IsSpaceChar(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32 && code != 10 && code != 13;
}

}  // namespace

TSynGCodeSyn::TSynGCodeSyn() = default;

bool TSynGCodeSyn::IsIdentChar(char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

void TSynGCodeSyn::SetLine(std::string_view line, int line_number) {
    line_ = line;
    line_number_ = line_number;
    run_ = 0;
    token_start_ = 0;
    kind_ = GCodeTokenKind::Null;
}

void TSynGCodeSyn::Next() {
    token_start_ = run_;
    switch (RULES[static_cast<unsigned char>(At(run_))]) {
        case ScanRule::Null:
            ScanNull();
            break;
        case ScanRule::Space:
            ScanSpace();
            break;
        case ScanRule::CarriageReturn:
            ScanCarriageReturn();
            break;
        case ScanRule::LineFeed:
            ScanLineFeed();
            break;
        case ScanRule::Comment:
            ScanComment();
            break;
        case ScanRule::Axis:
            ScanAxis();
            break;
        case ScanRule::GCode:
            ScanCodeDigits(GCodeTokenKind::GCode);
            break;
        case ScanRule::LineNo:
            ScanCodeDigits(GCodeTokenKind::LineNo);
            break;
        case ScanRule::MCode:
            ScanCodeDigits(GCodeTokenKind::MCode);
            break;
        case ScanRule::Number:
            ScanNumber();
            break;
        case ScanRule::Tsf:
            ScanTsf();
            break;
        case ScanRule::Unknown:
            ScanUnknown();
            break;
    }
}

// A character 0 inside the text ends the line just as its real end does.
void TSynGCodeSyn::ScanNull() {
    kind_ = GCodeTokenKind::Null;
}

void TSynGCodeSyn::ScanSpace() {
    kind_ = GCodeTokenKind::Space;
    do {
        ++run_;
    } while (IsSpaceChar(At(run_)));
}

void TSynGCodeSyn::ScanCarriageReturn() {
    kind_ = GCodeTokenKind::Space;
    ++run_;
    if (At(run_) == '\n') ++run_;
}

void TSynGCodeSyn::ScanLineFeed() {
    kind_ = GCodeTokenKind::Space;
    ++run_;
}

// A comment needs no closing ")": it runs to the end of the line.
void TSynGCodeSyn::ScanComment() {
    kind_ = GCodeTokenKind::Comment;
    do {
        ++run_;
    } while (At(run_) != '\0' && At(run_) != '\n' && At(run_) != '\r');
}

void TSynGCodeSyn::ScanAxis() {
    kind_ = GCodeTokenKind::Axis;
    ++run_;
}

void TSynGCodeSyn::ScanCodeDigits(GCodeTokenKind kind) {
    kind_ = kind;
    do {
        ++run_;
    } while (IsDigit(At(run_)));
}

// The first character is always taken; after it a point is taken only when another point does not follow
// it, so "1..2" reads as the two numbers "1" and "..2".
void TSynGCodeSyn::ScanNumber() {
    kind_ = GCodeTokenKind::Number;
    ++run_;
    while (IsNumberChar(At(run_))) {
        if (At(run_) == '.' && At(run_ + 1) == '.') break;
        ++run_;
    }
}

void TSynGCodeSyn::ScanTsf() {
    kind_ = GCodeTokenKind::TSF;
    do {
        ++run_;
    } while (IsDigit(At(run_)) || At(run_) == '.' || At(run_) == ',');
}

void TSynGCodeSyn::ScanUnknown() {
    kind_ = GCodeTokenKind::Unknown;
    ++run_;
}

const TokenAttribute* TSynGCodeSyn::AttributeOf(GCodeTokenKind kind) const {
    switch (kind) {
        case GCodeTokenKind::Axis:
            return &AxisAttri;
        case GCodeTokenKind::Comment:
            return &CommentAttri;
        case GCodeTokenKind::GCode:
            return &GCodeAttri;
        case GCodeTokenKind::LineNo:
            return &LineNoAttri;
        case GCodeTokenKind::MCode:
            return &MCodeAttri;
        case GCodeTokenKind::Number:
            return &NumberAttri;
        case GCodeTokenKind::Space:
        case GCodeTokenKind::Unknown:
            return &SpaceAttri;
        case GCodeTokenKind::TSF:
            return &TSFAttri;
        case GCodeTokenKind::Null:
            break;
    }
    return nullptr;
}

const TokenAttribute* TSynGCodeSyn::GetDefaultAttribute(AttributeRole role) const {
    switch (role) {
        case AttributeRole::Comment:
            return &CommentAttri;
        case AttributeRole::Identifier:
            return &GCodeAttri;
        case AttributeRole::Keyword:
            return &MCodeAttri;
        case AttributeRole::WhiteSpace:
            return &SpaceAttri;
        case AttributeRole::String:
        case AttributeRole::Symbol:
            break;
    }
    return nullptr;
}

std::vector<GCodeToken> TokenizeLine(std::string_view line) {
    std::vector<GCodeToken> tokens;
    TSynGCodeSyn scanner;
    scanner.SetLine(line, 0);
    do {
        scanner.Next();
        tokens.push_back({scanner.GetTokenKind(), scanner.GetTokenPos(), scanner.GetToken()});
    } while (!scanner.GetEol());
    return tokens;
}

}  // namespace zorvan::display
