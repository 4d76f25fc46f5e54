// Values of words: numbers, parameter references, bracketed expressions and unary functions, nested freely.
#include <cmath>
#include <cstring>
#include <limits>

#include "interp/interpreter.h"
#include "interp/number_reader.h"

namespace zorvan::interp {
namespace {

enum BinaryOperation : int {
    DIVIDED_BY = 1,
    MODULO = 2,
    POWER = 3,
    TIMES = 4,
    AND2 = 5,
    EXCLUSIVE_OR = 6,
    MINUS = 7,
    NON_EXCLUSIVE_OR = 8,
    PLUS = 9,
    RIGHT_BRACKET = 10,
};

enum UnaryOperation : int {
    ABS = 1,
    ACOS = 2,
    ASIN = 3,
    ATAN = 4,
    COS = 5,
    EXP = 6,
    FIX = 7,
    FUP = 8,
    LN = 9,
    ROUND = 10,
    SIN = 11,
    SQRT = 12,
    TAN = 13,
};

constexpr double PI = 3.1415926535897932;

bool is_high_class(int operation) {
    return operation <= TIMES;
}

bool starts_with(const std::string& text, std::size_t pos, const char* word) {
    return text.compare(pos, std::strlen(word), word) == 0;
}

}  // namespace

int Interpreter::read_real_value(const std::string& text, std::size_t& pos, double& value) {
    if (pos >= text.size()) return fail("No characters found in reading real value");
    const char c = text[pos];
    int status;
    if (c == '#') {
        status = read_parameter(text, pos, value);
    } else if (c == '[') {
        status = read_real_expression(text, pos, value);
    } else if (c >= 'a' && c <= 'z') {
        status = read_unary(text, pos, value);
    } else {
        status = read_real_number(text, pos, value);
    }
    if (status != 0) return -1;
    // Overflowing arithmetic (exp[1000], huge powers) would hand the machine an infinite or undefined
    // position; such a value is refused where it arises.
    if (!std::isfinite(value)) return fail("Value out of range");
    return 0;
}

int Interpreter::read_integer_value(const std::string& text, std::size_t& pos, int& value) {
    double real = 0;
    if (read_real_value(text, pos, real) != 0) return -1;
    double n = std::floor(real);
    if (real - n > 0.9999) {
        n = std::ceil(real);
    } else if (real - n > 0.0001) {
        return fail("Non-integer value for integer");
    }
    // Beyond 32 bits the value saturates, so that range checks downstream still refuse it.
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    value = n < lowest ? std::numeric_limits<int>::min()
                       : (n > highest ? std::numeric_limits<int>::max() : static_cast<int>(n));
    return 0;
}

int Interpreter::read_real_number(const std::string& text, std::size_t& pos, double& value) {
    const DecimalNumber number = read_decimal_number(std::string_view(text).substr(pos), decimal_separator_);
    if (number.status == NumberStatus::BAD_FORMAT) return fail("Bad number format");
    if (number.status == NumberStatus::NO_DIGITS) return fail("No digits found where real number should be");
    value = number.value;
    pos += number.length;
    return 0;
}

int Interpreter::read_parameter(const std::string& text, std::size_t& pos, double& value) {
    if (text[pos] != '#') return fail("Read_parameter should not have been called");
    ++pos;
    int index = 0;
    if (read_integer_value(text, pos, index) != 0) return -1;
    if (index < 1 || index >= PARAMETER_COUNT) return fail("Parameter number out of range");
    value = settings_.parameters[index];
    return 0;
}

int Interpreter::read_operation(const std::string& text, std::size_t& pos, int& operation) {
    if (pos >= text.size()) return fail("Unclosed expression");
    const char c = text[pos++];
    switch (c) {
        case '*':
            if (pos < text.size() && text[pos] == '*') {
                ++pos;
                operation = POWER;
            } else {
                operation = TIMES;
            }
            return 0;
        case '+':
            operation = PLUS;
            return 0;
        case '-':
            operation = MINUS;
            return 0;
        case '/':
            operation = DIVIDED_BY;
            return 0;
        case ']':
            operation = RIGHT_BRACKET;
            return 0;
        case 'a':
            if (!starts_with(text, pos, "nd")) return fail("Unknown operation name starting with A");
            pos += 2;
            operation = AND2;
            return 0;
        case 'm':
            if (!starts_with(text, pos, "od")) return fail("Unknown operation name starting with M");
            pos += 2;
            operation = MODULO;
            return 0;
        case 'o':
            if (!starts_with(text, pos, "r")) return fail("Unknown operation name starting with O");
            pos += 1;
            operation = NON_EXCLUSIVE_OR;
            return 0;
        case 'x':
            if (!starts_with(text, pos, "or")) return fail("Unknown operation name starting with X");
            pos += 2;
            operation = EXCLUSIVE_OR;
            return 0;
        default:
            return fail("Unknown operation");
    }
}

// Two precedence classes, each folded left to right: [2*3**2] is 36, [1+2*3] is 7, [1-2-3] is -4.
int Interpreter::read_real_expression(const std::string& text, std::size_t& pos, double& value) {
    if (text[pos] != '[') return fail("Read_real_expression should not have been called");
    ++pos;
    double result = 0.0;
    int low_operation = PLUS;
    bool high_pending = false;
    double high_value = 0.0;
    int high_operation = 0;
    for (;;) {
        double operand = 0;
        int operation = 0;
        if (read_real_value(text, pos, operand) != 0) return -1;
        if (read_operation(text, pos, operation) != 0) return -1;
        if (operation == RIGHT_BRACKET || !is_high_class(operation)) {
            if (high_pending) {
                if (execute_binary(high_value, high_operation, operand) != 0) return -1;
                operand = high_value;
            }
            if (execute_binary(result, low_operation, operand) != 0) return -1;
            if (operation == RIGHT_BRACKET) break;
            low_operation = operation;
            high_pending = false;
        } else {
            if (high_pending) {
                if (execute_binary(high_value, high_operation, operand) != 0) return -1;
            } else {
                high_value = operand;
            }
            high_operation = operation;
            high_pending = true;
        }
    }
    value = result;
    return 0;
}

int Interpreter::execute_binary(double& left, int operation, double right) {
    switch (operation) {
        case DIVIDED_BY:
            if (right == 0.0) return fail("Attempt to divide by zero");
            left = left / right;
            return 0;
        case MODULO: {
            const double a = std::nearbyint(left);
            const double b = std::nearbyint(right);
            // A divisor that rounds to zero has no remainder; refused like a division by zero.
            if (b == 0.0) return fail("Attempt to divide by zero");
            double r = std::fmod(a, b);
            if (r < 0) r += std::fabs(right);
            left = r;
            return 0;
        }
        case POWER:
            if (left < 0.0 && std::floor(right) != right) {
                return fail("Cannot raise negative number to non-integer power");
            }
            left = std::pow(left, right);
            return 0;
        case TIMES:
            left = left * right;
            return 0;
        case AND2:
            left = (left == 0.0 || right == 0.0) ? 0.0 : 1.0;
            return 0;
        case EXCLUSIVE_OR:
            left = ((left == 0.0 && right != 0.0) || (left != 0.0 && right == 0.0)) ? 1.0 : 0.0;
            return 0;
        case MINUS:
            left = left - right;
            return 0;
        case NON_EXCLUSIVE_OR:
            left = (left != 0.0 || right != 0.0) ? 1.0 : 0.0;
            return 0;
        case PLUS:
            left = left + right;
            return 0;
        default:
            return fail(is_high_class(operation) ? "Unknown operation in execute_binary1"
                                                 : "Unknown operation in execute_binary2");
    }
}

int Interpreter::read_operation_unary(const std::string& text, std::size_t& pos, int& operation) {
    const char c = text[pos++];
    struct Name {
        const char* rest;
        int operation = 0;
    };
    auto match = [&](std::initializer_list<Name> names, const char* message) {
        for (const Name& name : names) {
            if (starts_with(text, pos, name.rest)) {
                pos += std::strlen(name.rest);
                operation = name.operation;
                return 0;
            }
        }
        return fail(message);
    };
    switch (c) {
        case 'a':
            return match({{"bs", ABS}, {"cos", ACOS}, {"sin", ASIN}, {"tan", ATAN}},
                         "Unknown word starting with A");
        case 'c':
            return match({{"os", COS}}, "Unknown word starting with C");
        case 'e':
            return match({{"xp", EXP}}, "Unknown word starting with E");
        case 'f':
            return match({{"ix", FIX}, {"up", FUP}}, "Unknown word starting with F");
        case 'l':
            return match({{"n", LN}}, "Unknown word starting with L");
        case 'r':
            return match({{"ound", ROUND}}, "Unknown word starting with R");
        case 's':
            return match({{"in", SIN}, {"qrt", SQRT}}, "Unknown word starting with S");
        case 't':
            return match({{"an", TAN}}, "Unknown word starting with T");
        default:
            return fail("Unknown word where unary operation could be");
    }
}

int Interpreter::read_unary(const std::string& text, std::size_t& pos, double& value) {
    int operation = 0;
    if (read_operation_unary(text, pos, operation) != 0) return -1;
    if (pos >= text.size() || text[pos] != '[')
        return fail("Left bracket missing after unary operation name");
    if (read_real_expression(text, pos, value) != 0) return -1;
    if (operation == ATAN) {
        if (pos >= text.size() || text[pos] != '/') return fail("Slash missing");
        ++pos;
        if (pos >= text.size() || text[pos] != '[') {
            return fail("Left bracket missing after slash with atan operator");
        }
        double divisor = 0;
        if (read_real_expression(text, pos, divisor) != 0) return -1;
        value = std::atan2(value, divisor) * 180.0 / PI;
        return 0;
    }
    return execute_unary(value, operation);
}

int Interpreter::execute_unary(double& value, int operation) {
    switch (operation) {
        case ABS:
            value = std::fabs(value);
            return 0;
        case ACOS:
            if (value < -1.0 || value > 1.0) return fail("Argument to acos out of range");
            value = std::acos(value) * 180.0 / PI;
            return 0;
        case ASIN:
            if (value < -1.0 || value > 1.0) return fail("Argument to asin out of range");
            value = std::asin(value) * 180.0 / PI;
            return 0;
        case COS:
            value = std::cos(value * PI / 180.0);
            return 0;
        case EXP:
            value = std::exp(value);
            return 0;
        case FIX:
        case FUP:
            // Both truncate toward zero, as the dialect has always done.
            value = std::trunc(value);
            return 0;
        case LN:
            if (value <= 0.0) return fail("Zero or negative argument to ln");
            value = std::log(value);
            return 0;
        case ROUND:
            value = std::nearbyint(value);
            return 0;
        case SIN:
            value = std::sin(value * PI / 180.0);
            return 0;
        case SQRT:
            if (value < 0.0) return fail("Negative argument to sqrt");
            value = std::sqrt(value);
            return 0;
        case TAN:
            value = std::tan(value * PI / 180.0);
            return 0;
        default:
            return fail("Unknown operation");
    }
}

}  // namespace zorvan::interp
