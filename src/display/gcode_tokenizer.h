// The tokens of one G-code line as the editor colours them: each token is chosen by its first character
// through a table of 256 scanning rules, and no state carries from one line to the next. The editor's
// highlighter is a thin wrapper that forwards its questions to `TSynGCodeSyn`.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zorvan::display {

// Token kinds, with the values the editor stores.
enum class GCodeTokenKind : std::uint8_t {
    Axis = 0,     // one of A-D, H-K, P-R, W-Z, either case, alone
    Comment = 1,  // "(", "*" or "/" and the rest of the line
    GCode = 2,    // "G" and the digits that follow
    LineNo = 3,   // "N" and the digits that follow
    MCode = 4,    // "M" and the digits that follow
    Null = 5,     // end of the line
    Number = 6,   // digits, signs and points
    Space = 7,    // blanks and control characters, or one line break
    TSF = 8,      // "F", "S" or "T" and the digits, "." and "," that follow
    Unknown = 9,  // any other single character
};

// A colour as a 24-bit integer, red in the low byte, or the editor's own default colour.
inline constexpr std::int32_t EDITOR_DEFAULT_COLOUR = -1;
inline constexpr std::int32_t COLOUR_BLUE = 0xFF0000;
inline constexpr std::int32_t COLOUR_RED = 0x0000FF;
inline constexpr std::int32_t COLOUR_TEAL = 0x808000;

// How one kind of token is drawn. The owner of the highlighter may change these.
struct TokenAttribute {
    std::string_view Name;                            // the name shown to the user
    std::int32_t Foreground = EDITOR_DEFAULT_COLOUR;  // 24-bit colour or EDITOR_DEFAULT_COLOUR
    std::int32_t Background = EDITOR_DEFAULT_COLOUR;  // 24-bit colour or EDITOR_DEFAULT_COLOUR
    bool Bold = false;
    bool Italic = false;
};

// What the editor asks a default attribute for.
enum class AttributeRole { Comment, Identifier, Keyword, String, Symbol, WhiteSpace };

struct GCodeToken {
    GCodeTokenKind kind;
    std::size_t position;   // index of the token's first character in the line
    std::string_view text;  // a view into the line
};

class TSynGCodeSyn {
  public:
    TSynGCodeSyn();

    // The scan starts at the beginning of `line`, which must outlive the scan.
    void SetLine(std::string_view line, int line_number);
    // Scans the token at the scan position and moves past it. At the end of the line the token is Null
    // and the scan position stays put, so repeated calls keep giving Null.
    void Next();
    bool GetEol() const { return kind_ == GCodeTokenKind::Null; }
    std::string_view GetToken() const { return line_.substr(token_start_, run_ - token_start_); }
    GCodeTokenKind GetTokenKind() const { return kind_; }
    std::size_t GetTokenPos() const { return token_start_; }
    int GetLineNumber() const { return line_number_; }
    // The attribute the current token is drawn with; none for the Null token.
    const TokenAttribute* GetTokenAttribute() const { return AttributeOf(kind_); }
    const TokenAttribute* AttributeOf(GCodeTokenKind kind) const;
    // The comment, identifier, keyword and white-space roles have attributes; the others none.
    const TokenAttribute* GetDefaultAttribute(AttributeRole role) const;

    static constexpr std::string_view LanguageName = "GCode";
    static constexpr std::string_view DefaultFilter =
        "Machine Code files (*.dnc,*.nc,*.cnc)|*.DNC;*.NC;*.CNC";
    // Letters, digits and "_".
    static bool IsIdentChar(char c);

    TokenAttribute CommentAttri{"Comment", COLOUR_BLUE, EDITOR_DEFAULT_COLOUR, false, true};
    TokenAttribute AxisAttri{"Axis", EDITOR_DEFAULT_COLOUR, EDITOR_DEFAULT_COLOUR, true, false};
    TokenAttribute GCodeAttri{"GCode", COLOUR_BLUE, EDITOR_DEFAULT_COLOUR, true, false};
    TokenAttribute MCodeAttri{"MCode", COLOUR_RED, EDITOR_DEFAULT_COLOUR, true, false};
    TokenAttribute LineNoAttri{"LineNo", COLOUR_TEAL, EDITOR_DEFAULT_COLOUR, true, false};
    TokenAttribute TSFAttri{"TSF", COLOUR_TEAL, EDITOR_DEFAULT_COLOUR, true, false};
    TokenAttribute NumberAttri{"Number", EDITOR_DEFAULT_COLOUR, EDITOR_DEFAULT_COLOUR, false, false};
    TokenAttribute SpaceAttri{"Space", EDITOR_DEFAULT_COLOUR, EDITOR_DEFAULT_COLOUR, false, false};

  private:
    char At(std::size_t index) const { return index < line_.size() ? line_[index] : '\0'; }
    void ScanNull();
    void ScanSpace();
    void ScanCarriageReturn();
    void ScanLineFeed();
    void ScanComment();
    void ScanAxis();
    void ScanCodeDigits(GCodeTokenKind kind);
    void ScanNumber();
    void ScanTsf();
    void ScanUnknown();

    std::string_view line_;
    int line_number_ = 0;
    std::size_t run_ = 0;  // the scan position
    std::size_t token_start_ = 0;
    GCodeTokenKind kind_ = GCodeTokenKind::Null;
};

// Every token of a line in order, ending with the Null token.
std::vector<GCodeToken> TokenizeLine(std::string_view line);

}  // namespace zorvan::display
