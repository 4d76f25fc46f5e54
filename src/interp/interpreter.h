// The G-code interpreter: reads one line at a time, keeps the modal machine model and executes each
// block by calling the canonical machining functions.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "interp/canonical_machine.h"
#include "interp/error_reporter.h"
#include "interp/settings.h"

namespace zorvan::interp {

// Result codes of the entry operations.
inline constexpr int RESULT_ERROR = -1;
inline constexpr int RESULT_OK = 0;
inline constexpr int RESULT_PROGRAM_END = 1;
inline constexpr int RESULT_PROBE = 2;

// Parameter file used when the configuration names none (the name the setup dialog writes).
inline constexpr const char* DEFAULT_PARAMETER_FILE = "ZorvanNC.Var";

class Interpreter {
  public:
    // program_dir is where ZorvanNC.Ini and the parameter file live (the program's folder).
    Interpreter(CanonicalMachine& canon, ErrorReporter& reporter, std::filesystem::path program_dir);

    // The six entry operations.
    int interpreter_init();
    int interpreter_reset();
    int interpreter_synch();
    int interpreter_exit();
    int interpret_line(std::string_view text);
    int execute_direct(std::string_view text);

    // A failure found outside the interpreter, shown as its own are: with the line count and line text.
    int report_error(std::string_view message) { return fail(message); }

    // The process-wide decimal separator of real numbers in programs and the parameter file.
    void set_decimal_separator(char separator) { decimal_separator_ = separator; }
    char decimal_separator() const { return decimal_separator_; }

    InterpreterSettings& settings() { return settings_; }
    const InterpreterSettings& settings() const { return settings_; }
    const Block& block() const { return block_; }
    int line_counter() const { return line_counter_; }
    const std::string& line_text() const { return line_text_; }
    const std::string& block_text() const { return block_text_; }
    int block_length() const { return block_length_; }
    int last_status() const { return last_status_; }
    const std::string& program_name() const { return program_name_; }
    void set_program_name(std::string name) { program_name_ = std::move(name); }
    const std::filesystem::path& parameter_file_path() const { return parameter_file_path_; }

  private:
    // Failure: reported once, where detected; the caller passes -1 on.
    int fail(std::string_view message);
    int fail(std::string_view message, char detail);

    // Line reading.
    int normalise(std::string& text, std::size_t input_length);
    int normalise_cam(std::string& text, std::size_t input_length);
    static bool percent_line(const std::string& text);
    int parse_line(const std::string& text, Block& block);
    int read_items(const std::string& text, Block& block);
    int read_line_number(const std::string& text, std::size_t& pos, Block& block);
    int read_one_item(const std::string& text, std::size_t& pos, Block& block);
    int read_comment(const std::string& text, std::size_t& pos, Block& block);
    int read_d(const std::string& text, std::size_t& pos, Block& block);
    int read_f(const std::string& text, std::size_t& pos, Block& block);
    int read_g(const std::string& text, std::size_t& pos, Block& block);
    int read_h(const std::string& text, std::size_t& pos, Block& block);
    int read_ijk(const std::string& text, std::size_t& pos, int& flag, double& number, const char* repeated);
    int read_l(const std::string& text, std::size_t& pos, Block& block);
    int read_m(const std::string& text, std::size_t& pos, Block& block);
    int read_nonnegative_real(const std::string& text, std::size_t& pos, double& number, const char* repeated,
                              const char* negative);
    int read_nonnegative_integer(const std::string& text, std::size_t& pos, int& number, const char* repeated,
                                 const char* negative);
    int read_parameter_setting(const std::string& text, std::size_t& pos);

    // Values and expressions.
    int read_real_value(const std::string& text, std::size_t& pos, double& value);
    int read_integer_value(const std::string& text, std::size_t& pos, int& value);
    int read_real_number(const std::string& text, std::size_t& pos, double& value);
    int read_parameter(const std::string& text, std::size_t& pos, double& value);
    int read_real_expression(const std::string& text, std::size_t& pos, double& value);
    int read_unary(const std::string& text, std::size_t& pos, double& value);
    int read_operation(const std::string& text, std::size_t& pos, int& operation);
    int read_operation_unary(const std::string& text, std::size_t& pos, int& operation);
    int execute_binary(double& left, int operation, double right);
    int execute_unary(double& value, int operation);

    // Block checks.
    int check_items(Block& block);
    int check_g_codes(const Block& block);
    int check_m_codes(const Block& block);
    int check_other_codes(const Block& block);

    // Execution.
    int execute_block(Block& block);
    int convert_feed_mode(int code);
    int convert_set_plane(int code);
    int convert_length_units(int code);
    int convert_cutter_compensation(int code, const Block& block);
    int convert_tool_length_offset(int code, const Block& block);
    int convert_coordinate_system(int code);
    int convert_control_mode(int code);
    int convert_distance_mode(int code);
    int convert_retract_mode(int code);
    int convert_modal_0(int code, const Block& block);
    int convert_setup(const Block& block);
    int convert_axis_offsets(int code, const Block& block);
    int convert_home(int code, const Block& block);
    int convert_home_set(int code);
    int convert_tool_select(const Block& block);
    int convert_tool_change();
    int convert_stop(Block& block);
    int convert_motion(int motion, const Block& block);
    int convert_straight(int move, const Block& block);
    int convert_arc(int move, const Block& block);
    int convert_arc_plain(int move, const Block& block, double end_first, double end_second,
                          double end_axial);
    int convert_probe(const Block& block);
    int convert_cycle(int motion, const Block& block);
    struct CycleGeometry;
    int check_cycle_parameters(int motion, const Block& block, bool continuing, CycleGeometry& geometry);
    int cycle_body(int motion, double x, double y, const CycleGeometry& geometry);
    void restart_spindle();

    // Cutter radius compensation.
    double tool_radius() const;
    int record_comp_end(double tool_x, double tool_y, double z, double px, double py);
    bool comp_arc_inside(int move) const;
    double comp_arc_tolerance() const;
    int convert_straight_comp1(double px, double py, double pz);
    int convert_straight_comp2(double px, double py, double pz);
    int convert_arc_comp1(int move, const Block& block, double px, double py, double pz);
    int convert_arc_comp2(int move, const Block& block, double px, double py, double pz);
    void find_end_point(const Block& block, double& x, double& y, double& z) const;
    double arc_centre(int flag, double number, double start) const;
    int arc_data_ijk(int move, double current_first, double current_second, double end_first,
                     double end_second, double centre_first, double centre_second, double tolerance,
                     int& turn);
    int arc_data_r(int move, double current_first, double current_second, double end_first, double end_second,
                   double radius, double& centre_first, double& centre_second, int& turn);
    void send_origin_offsets();

    CanonicalMachine& canon_;
    ErrorReporter& reporter_;
    std::filesystem::path program_dir_;
    std::filesystem::path parameter_file_path_;
    std::string parameter_file_name_ = DEFAULT_PARAMETER_FILE;
    char decimal_separator_ = '.';

    InterpreterSettings settings_;
    Block block_;  // the program's block, readable after execution
    int line_counter_ = 0;
    std::string program_name_;
    std::string line_text_;
    std::string block_text_;
    int block_length_ = 0;
    int last_status_ = 0;
};

}  // namespace zorvan::interp
