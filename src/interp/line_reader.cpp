// Normalising a line and reading its words into a Block.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "interp/interpreter.h"

namespace zorvan::interp {
namespace {

// Modal slot of each G code (times ten), -1 for the codes the dialect does not know.
constexpr std::array<signed char, 1000> make_g_table(Dialect dialect) {
    std::array<signed char, 1000> table{};
    for (auto& slot : table)
        slot = -1;
    for (int code : {100, 920, 922})
        table[code] = 0;
    for (int code : {0, 10, 20, 30, 382, 800, 810, 820, 830, 840, 850, 860, 870, 880, 890})
        table[code] = 1;
    for (int code : {170, 180, 190})
        table[code] = 2;
    for (int code : {900, 910})
        table[code] = 3;
    for (int code : {40, 530})
        table[code] = 4;
    for (int code : {930, 940})
        table[code] = 5;
    for (int code : {200, 210})
        table[code] = 6;
    for (int code : {400, 410, 420})
        table[code] = 7;
    for (int code : {430, 490})
        table[code] = 8;
    for (int code : {980, 990})
        table[code] = 10;
    for (int code : {540, 550, 560, 570, 580, 590, 591, 592, 593})
        table[code] = 12;
    for (int code : {610, 640})
        table[code] = 13;
    if (dialect == Dialect::CAM) {
        for (int code : {280, 281, 300, 301})
            table[code] = 0;
        for (int code : {901, 911})
            table[code] = ARC_DISTANCE_SLOT;
    }
    return table;
}
constexpr auto G_TABLE = make_g_table(Dialect::STRICT);
constexpr auto CAM_G_TABLE = make_g_table(Dialect::CAM);

constexpr std::array<signed char, 100> make_m_table() {
    std::array<signed char, 100> table{};
    for (auto& slot : table)
        slot = -1;
    for (int code : {0, 1, 2, 30, 60})
        table[code] = 4;
    table[6] = 6;
    for (int code : {3, 4, 5})
        table[code] = 7;
    for (int code : {7, 8, 9})
        table[code] = 8;
    for (int code : {48, 49})
        table[code] = 9;
    return table;
}
constexpr auto M_TABLE = make_m_table();

// Where the comment opened just before `pos` closes: comments nest in the CAM dialect.
std::size_t balancing_parenthesis(const std::string& text, std::size_t pos) {
    int depth = 1;
    for (; pos < text.size(); ++pos) {
        if (text[pos] == '(') {
            ++depth;
        } else if (text[pos] == ')' && --depth == 0) {
            return pos;
        }
    }
    return std::string::npos;
}

// How the normaliser treats each character outside comments. Most characters are copied (letters lower
// cased); the few that need a decision are looked up rather than compared one by one, since every byte of a
// program passes here. DROPPED and COPIED are the number of characters kept.
enum CharacterKind : std::uint8_t { DROPPED = 0, COPIED = 1, SPECIAL = 2 };

struct CharacterTable {
    std::array<char, 256> copy{};
    std::array<std::uint8_t, 256> kind{};
};

constexpr CharacterTable make_character_table(Dialect dialect) {
    CharacterTable table;
    for (int c = 0; c < 256; ++c) {
        table.copy[c] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        table.kind[c] = COPIED;
    }
    for (unsigned char c : {' ', '\t', '\r'})
        table.kind[c] = DROPPED;
    for (unsigned char c : {'\n', '('})
        table.kind[c] = SPECIAL;
    if (dialect == Dialect::CAM) table.kind[static_cast<unsigned char>(';')] = SPECIAL;
    return table;
}
constexpr CharacterTable STRICT_CHARACTERS = make_character_table(Dialect::STRICT);
constexpr CharacterTable CAM_CHARACTERS = make_character_table(Dialect::CAM);

}  // namespace

void Block::init() {
    comment[0] = 0;
    d_number = h_number = l_number = line_number = motion_to_be = t_number = -1;
    f_number = p_number = q_number = s_number = -1.0;
    g_count = m_count = 0;
    g_modes.fill(-1);
    m_modes.fill(-1);
    i_flag = j_flag = k_flag = r_flag = x_flag = y_flag = z_flag = 0;
}

// Outside comments: no white space, lower case. Comment text keeps its case and blanks.
int Interpreter::normalise(std::string& text, std::size_t input_length) {
    if (settings_.dialect == Dialect::CAM) return normalise_cam(text, input_length);
    // Raw pointers: a store through the string itself could alias its own length and would reload it.
    char* const data = text.data();
    const std::size_t length = text.size();
    std::size_t out = 0;
    bool in_comment = false;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = data[i];
        const auto index = static_cast<unsigned char>(c);
        const std::uint8_t kind = STRICT_CHARACTERS.kind[index];
        if (kind != SPECIAL) {
            // Written either way, kept only when copied: out never passes i.
            data[out] = STRICT_CHARACTERS.copy[index];
            out += kind;
        } else if (c == '\n') {
            if (i + 1 != length) return fail("Null missing after newline");
        } else {
            // A comment, copied as it is up to and with its ")".
            data[out++] = c;
            in_comment = true;
            while (in_comment && ++i < length) {
                const char inside = data[i];
                if (inside == '(') return fail("Nested comment found");
                data[out++] = inside;
                in_comment = inside != ')';
            }
        }
    }
    if (input_length == LINE_BUFFER_SIZE - 1) return fail("Command too long");
    if (in_comment) return fail("Unclosed comment found");
    text.resize(out);
    return 0;
}

// As STRICT, but comments nest (one ends at the ")" that balances its "("), and a ";" outside them ends
// the line: what follows is dropped unread, and the ";" stays as a marker, so that a line holding only
// such a comment is not an empty line.
int Interpreter::normalise_cam(std::string& text, std::size_t input_length) {
    char* const data = text.data();
    const std::size_t length = text.size();
    std::size_t out = 0;
    int depth = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = data[i];
        const auto index = static_cast<unsigned char>(c);
        const std::uint8_t kind = CAM_CHARACTERS.kind[index];
        if (kind != SPECIAL) {
            data[out] = CAM_CHARACTERS.copy[index];
            out += kind;
        } else if (c == '\n') {
            if (i + 1 != length) return fail("Null missing after newline");
        } else if (c == ';') {
            data[out++] = c;
            break;
        } else {
            data[out++] = c;
            depth = 1;
            while (depth > 0 && ++i < length) {
                const char inside = data[i];
                data[out++] = inside;
                if (inside == '(') {
                    ++depth;
                } else if (inside == ')') {
                    --depth;
                }
            }
        }
    }
    if (input_length == LINE_BUFFER_SIZE - 1) return fail("Command too long");
    if (depth > 0) return fail("Unclosed comment found");
    text.resize(out);
    return 0;
}

// A normalised CAM line that is a lone "%" once its comments are taken out.
bool Interpreter::percent_line(const std::string& text) {
    int percents = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '(') {
            i = balancing_parenthesis(text, i + 1);
            if (i == std::string::npos) return false;
        } else if (c == ';') {
            break;
        } else if (c == '%') {
            ++percents;
        } else {
            return false;
        }
    }
    return percents == 1;
}

int Interpreter::parse_line(const std::string& text, Block& block) {
    block.init();
    if (read_items(text, block) != 0) return -1;
    // The modal motion continues on a line with axis words unless G10/G92/G92.2 claims them.
    if (block.g_modes[1] != -1) {
        block.motion_to_be = block.g_modes[1];
    } else if (block.has_axis_word() && block.g_modes[0] == -1) {
        block.motion_to_be = settings_.motion_mode;
    }
    return check_items(block);
}

int Interpreter::read_items(const std::string& text, Block& block) {
    std::size_t pos = (!text.empty() && text[0] == '/') ? 1 : 0;
    if (pos < text.size() && text[pos] == 'n') {
        if (read_line_number(text, pos, block) != 0) return -1;
    }
    while (pos < text.size()) {
        if (read_one_item(text, pos, block) != 0) return -1;
    }
    return 0;
}

int Interpreter::read_line_number(const std::string& text, std::size_t& pos, Block& block) {
    if (text[pos] != 'n') return fail("Read_line_number should not have been called");
    ++pos;
    std::size_t start = pos;
    long long value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        // Line numbers are kept in 32 bits; a longer number is refused rather than wrapped.
        if (value > 2147483647LL) return fail("Line number too large");
        ++pos;
    }
    if (pos == start) return fail("Bad format unsigned integer");
    block.line_number = static_cast<int>(value);
    return 0;
}

int Interpreter::read_one_item(const std::string& text, std::size_t& pos, Block& block) {
    switch (text[pos]) {
        case '(':
            return read_comment(text, pos, block);
        case 'd':
            return read_d(text, pos, block);
        case 'f':
            return read_f(text, pos, block);
        case 'g':
            return read_g(text, pos, block);
        case 'h':
            return read_h(text, pos, block);
        case 'i':
            ++pos;
            return read_ijk(text, pos, block.i_flag, block.i_number, "Multiple I words on one line");
        case 'j':
            ++pos;
            return read_ijk(text, pos, block.j_flag, block.j_number, "Multiple J words on one line");
        case 'k':
            ++pos;
            return read_ijk(text, pos, block.k_flag, block.k_number, "Multiple K words on one line");
        case 'l':
            return read_l(text, pos, block);
        case 'm':
            return read_m(text, pos, block);
        case 'p':
            ++pos;
            return read_nonnegative_real(text, pos, block.p_number, "Multiple P words on one line",
                                         "Negative P value used");
        case 'q':
            ++pos;
            return read_nonnegative_real(text, pos, block.q_number, "Multiple Q words on one line",
                                         "Negative Q value used");
        case 'r':
            ++pos;
            return read_ijk(text, pos, block.r_flag, block.r_number, "Multiple R words on one line");
        case 's':
            ++pos;
            return read_nonnegative_real(text, pos, block.s_number,
                                         "Multiple S word spindle speed settings on one line",
                                         "Negative spindle speed found");
        case 't':
            ++pos;
            return read_nonnegative_integer(text, pos, block.t_number,
                                            "Multiple T words (tool ids) on one line",
                                            "Negative tool id used");
        case 'x':
            ++pos;
            return read_ijk(text, pos, block.x_flag, block.x_number, "Multiple X words on one line");
        case 'y':
            ++pos;
            return read_ijk(text, pos, block.y_flag, block.y_number, "Multiple Y words on one line");
        case 'z':
            ++pos;
            return read_ijk(text, pos, block.z_flag, block.z_number, "Multiple Z words on one line");
        case '#':
            return read_parameter_setting(text, pos);
        default:
            // A CAM line's ";" marker: the rest of the line was dropped while normalising.
            if (text[pos] == ';' && settings_.dialect == Dialect::CAM) {
                pos = text.size();
                return 0;
            }
            return fail("Bad character used... ", text[pos]);
    }
}

int Interpreter::read_comment(const std::string& text, std::size_t& pos, Block& block) {
    if (text[pos] != '(') return fail("Read_comment should not have been called");
    ++pos;
    std::size_t end =
        settings_.dialect == Dialect::CAM ? balancing_parenthesis(text, pos) : text.find(')', pos);
    if (end == std::string::npos) end = text.size();  // the normaliser never lets this happen
    std::size_t length = std::min(end - pos, sizeof block.comment - 1);
    std::memcpy(block.comment, text.data() + pos, length);
    block.comment[length] = 0;
    pos = end < text.size() ? end + 1 : end;
    return 0;
}

// Flagged words (I, J, K, R, X, Y, Z) may be negative; a repeat is seen by the flag.
int Interpreter::read_ijk(const std::string& text, std::size_t& pos, int& flag, double& number,
                          const char* repeated) {
    if (flag) return fail(repeated);
    double value = 0;
    if (read_real_value(text, pos, value) != 0) return -1;
    flag = 1;
    number = value;
    return 0;
}

// F, P, Q, S: absent is -1.0, so a repeat shows as a value above -1.
int Interpreter::read_nonnegative_real(const std::string& text, std::size_t& pos, double& number,
                                       const char* repeated, const char* negative) {
    if (number > -1.0) return fail(repeated);
    double value = 0;
    if (read_real_value(text, pos, value) != 0) return -1;
    if (value < 0.0) return fail(negative);
    number = value;
    return 0;
}

int Interpreter::read_nonnegative_integer(const std::string& text, std::size_t& pos, int& number,
                                          const char* repeated, const char* negative) {
    if (number > -1) return fail(repeated);
    int value = 0;
    if (read_integer_value(text, pos, value) != 0) return -1;
    if (value < 0) return fail(negative);
    number = value;
    return 0;
}

int Interpreter::read_d(const std::string& text, std::size_t& pos, Block& block) {
    if (text[pos] != 'd') return fail("Read_d should not have been called");
    ++pos;
    return read_nonnegative_integer(text, pos, block.d_number, "Multiple D words on one line",
                                    "Negative D code used");
}

int Interpreter::read_f(const std::string& text, std::size_t& pos, Block& block) {
    if (text[pos] != 'f') return fail("Read_f should not have been called");
    ++pos;
    return read_nonnegative_real(text, pos, block.f_number, "Multiple F words on one line",
                                 "Negative F word found");
}

int Interpreter::read_h(const std::string& text, std::size_t& pos, Block& block) {
    if (text[pos] != 'h') return fail("Read_tool_length_offset should not have been called");
    ++pos;
    return read_nonnegative_integer(text, pos, block.h_number, "Multiple tool length offsets on one line",
                                    "Negative tool length offset used");
}

int Interpreter::read_l(const std::string& text, std::size_t& pos, Block& block) {
    if (text[pos] != 'l') return fail("Read_l should not have been called");
    ++pos;
    return read_nonnegative_integer(text, pos, block.l_number, "Multiple L words on one line",
                                    "Negative L word used");
}

int Interpreter::read_g(const std::string& text, std::size_t& pos, Block& block) {
    if (text[pos] != 'g') return fail("Read_g should not have been called");
    ++pos;
    double value = 0;
    if (read_real_value(text, pos, value) != 0) return -1;
    // G codes are kept as ten times their number; only one decimal place is meaningful.
    const double tenfold = 10.0 * value;
    double n = std::floor(tenfold);
    if (tenfold - n > 0.999) {
        n = std::ceil(tenfold);
    } else if (tenfold - n > 0.001) {
        return fail("G code out of range");
    }
    if (n > 999) return fail("G code out of range");
    if (n < 0) return fail("Negative G code used");
    const int code = static_cast<int>(n);
    const int slot = (settings_.dialect == Dialect::CAM ? CAM_G_TABLE : G_TABLE)[code];
    if (slot == -1) return fail("Unknown G code used... " + std::to_string(code));
    if (block.g_modes[slot] != -1) return fail("Two G codes used from same modal group");
    block.g_modes[slot] = code;
    block.g_count++;
    return 0;
}

int Interpreter::read_m(const std::string& text, std::size_t& pos, Block& block) {
    if (text[pos] != 'm') return fail("Read_m should not have been called");
    ++pos;
    int code = 0;
    if (read_integer_value(text, pos, code) != 0) return -1;
    if (code < 0) return fail("Negative M code used");
    if (code > 99) return fail("M code greater than 99");
    const int slot = M_TABLE[code];
    if (slot == -1) return fail("Unknown M code used");
    if (block.m_modes[slot] != -1) return fail("Two M codes used from same modal group");
    block.m_modes[slot] = code;
    block.m_count++;
    return 0;
}

int Interpreter::read_parameter_setting(const std::string& text, std::size_t& pos) {
    if (text[pos] != '#') return fail("Read_parameter_setting should not have been called");
    ++pos;
    int index = 0;
    if (read_integer_value(text, pos, index) != 0) return -1;
    if (index < 1 || index >= PARAMETER_COUNT) return fail("Parameter number out of range");
    if (pos >= text.size() || text[pos] != '=') return fail("Equal sign missing in parameter setting");
    ++pos;
    double value = 0;
    if (read_real_value(text, pos, value) != 0) return -1;
    // Stored at once: later words and settings on the same line see the new value.
    settings_.parameters[index] = value;
    return 0;
}

}  // namespace zorvan::interp
