// The entry operations and the interpreter's life cycle.
#include "interp/interpreter.h"

#include <cstring>

#include "config/machine_config.h"
#include "config/profile_file.h"
#include "interp/parameter_file.h"

namespace zorvan::interp {

std::string format_error_box(int line_count, std::string_view line_text, std::string_view message) {
    std::string text = "Line " + std::to_string(line_count);
    text += "\n\r";
    text += line_text;
    text += "\n\r";
    text += message;
    return text;
}

Interpreter::Interpreter(CanonicalMachine& canon, ErrorReporter& reporter, std::filesystem::path program_dir)
    : canon_(canon), reporter_(reporter), program_dir_(std::move(program_dir)) {
    line_text_.reserve(LINE_BUFFER_SIZE);
    block_text_.reserve(LINE_BUFFER_SIZE);
}

int Interpreter::fail(std::string_view message) {
    reporter_.report_error(line_counter_, line_text_, message);
    return RESULT_ERROR;
}

int Interpreter::fail(std::string_view message, char detail) {
    std::string text(message);
    text += detail;
    return fail(text);
}

int Interpreter::interpreter_init() {
    // A configuration without VARIABLE_FILE keeps the name held so far (at first the usual one).
    Dialect dialect = Dialect::STRICT;
    if (auto ini = config::ProfileFile::load(program_dir_ / "ZorvanNC.Ini")) {
        std::string name = ini->read_string("RS274NGC", "VARIABLE_FILE", parameter_file_name_);
        if (!name.empty()) parameter_file_name_ = name;
        if (config::is_cam_dialect(config::read_dialect(*ini))) dialect = Dialect::CAM;
    }
    parameter_file_path_ = program_dir_ / parameter_file_name_;

    interpreter_reset();
    canon_.init_canon(parameter_file_path_.string());
    auto& s = settings_;
    s.length_units = 2;
    canon_.use_length_units(2);
    for (int i = 5161; i <= 5386; ++i)
        s.parameters[i] = 0.0;
    read_parameter_file(parameter_file_path_, s.parameters, decimal_separator_);

    const double axis_x = s.parameters[AXIS_OFFSET_PARAMETER];
    const double axis_y = s.parameters[AXIS_OFFSET_PARAMETER + 1];
    const double axis_z = s.parameters[AXIS_OFFSET_PARAMETER + 2];
    const double origin_x = s.parameters[origin_parameter(1, 0)];
    const double origin_y = s.parameters[origin_parameter(1, 1)];
    const double origin_z = s.parameters[origin_parameter(1, 2)];
    canon_.set_origin_offsets(origin_x + axis_x, origin_y + axis_y, origin_z + axis_z);
    canon_.set_feed_reference(2);

    line_counter_ = 0;
    s.axis_offset_x = axis_x;
    s.axis_offset_y = axis_y;
    s.axis_offset_z = axis_z;
    s.block_delete = 0;
    s.dialect = dialect;
    s.arc_distance_mode = 1;
    s.current_x = s.current_y = s.current_z = 0.0;
    s.cutter_comp_side = 0;
    s.distance_mode = 0;
    s.feed_mode = 0;
    s.probe_flag = 0;
    s.retract_mode = 0;
    s.tool_length_offset = 0.0;
    s.length_offset_index = 1;
    s.feed_override = 1;
    s.speed_override = 1;
    s.motion_mode = 10;
    s.origin_index = 1;
    s.origin_offset_x = origin_x;
    s.origin_offset_y = origin_y;
    s.origin_offset_z = origin_z;
    s.plane = 1;
    canon_.select_plane(1);
    s.program_x = s.program_y = UNKNOWN;
    s.speed_feed_mode = 2;
    s.tool_table_index = 1;
    for (int i = 0; i <= TOOL_MAX; ++i)
        s.tool_table[i] = canon_.get_tool_table_entry(i);
    interpreter_synch();
    return 0;
}

int Interpreter::interpreter_reset() {
    line_counter_ = 0;
    program_name_.clear();
    line_text_.clear();
    block_text_.clear();
    last_status_ = 0;
    block_length_ = 0;
    return 0;
}

int Interpreter::interpreter_synch() {
    auto& s = settings_;
    s.current_slot = canon_.get_tool_slot();
    s.control_mode = canon_.get_motion_control_mode();
    const Position position = canon_.get_position();
    s.current_x = position.x;
    s.current_y = position.y;
    s.current_z = position.z;
    s.feed_rate = canon_.get_feed_rate();
    s.flood = canon_.get_flood() != 0 ? 1 : 0;
    s.mist = canon_.get_mist() != 0 ? 1 : 0;
    s.selected_tool_slot = canon_.get_selected_tool_slot();
    s.speed = canon_.get_spindle_speed();
    s.spindle_turning = canon_.get_spindle_state();
    s.traverse_rate = canon_.get_traverse_rate();
    return 0;
}

int Interpreter::interpreter_exit() {
    interpreter_reset();
    canon_.exit_canon();
    return 0;
}

namespace {
// Entry texts are zero-terminated: whatever follows an embedded NUL is not part of the line.
std::string_view up_to_terminator(std::string_view text) {
    const std::size_t end = text.find('\0');
    return end == std::string_view::npos ? text : text.substr(0, end);
}
}  // namespace

int Interpreter::interpret_line(std::string_view raw) {
    const std::string_view text = up_to_terminator(raw);
    if (!text.empty() && text[0] == '@') return execute_direct(text);
    auto& s = settings_;
    if (s.probe_flag == 1) {
        if (canon_.queue_empty() == 0) return fail("Queue is not empty after probing");
        const Position position = canon_.get_position();
        s.current_x = position.x;
        s.current_y = position.y;
        s.current_z = position.z;
        const Position probe = canon_.get_probe_position();
        s.parameters[5061] = probe.x;
        s.parameters[5062] = probe.y;
        s.parameters[5063] = probe.z;
        s.parameters[5067] = canon_.get_probe_value();
        s.probe_flag = 0;
    }
    if (text.size() > LINE_BUFFER_SIZE - 1) return fail("Command too long");
    line_text_.assign(text);
    block_text_.assign(text);
    if (normalise(block_text_, text.size()) != 0) return RESULT_ERROR;
    if (!block_text_.empty() && block_text_ != "/") block_length_ = static_cast<int>(block_text_.size());
    if (block_length_ == 0) return RESULT_OK;
    // A "%" line opens or closes a program: counted as a comment line is, and the block keeps the
    // previous line's words, so a stop just before it still ends the program.
    if (settings_.dialect == Dialect::CAM && percent_line(block_text_)) {
        line_counter_++;
        return RESULT_OK;
    }
    if (parse_line(block_text_, block_) != 0) return RESULT_ERROR;
    line_counter_++;
    last_status_ = execute_block(block_);
    if (last_status_ == RESULT_PROGRAM_END) {
        line_counter_ = 0;
        line_text_.clear();
        return RESULT_PROGRAM_END;
    }
    return last_status_;
}

int Interpreter::execute_direct(std::string_view raw) {
    const std::string_view text = up_to_terminator(raw);
    if (!text.empty() && text[0] == '@') {
        // The single-axis command for A: "@A value" moves the fourth axis alone.
        std::string command(text);
        if (normalise(command, text.size()) != 0) return RESULT_OK;
        if (command.size() > 1 && command[1] == 'a') {
            std::size_t pos = 2;
            double value = 0;
            if (read_real_value(command, pos, value) == 0) canon_.move_single_axis(8, 0.0, 0.0, 0.0, value);
        }
        return RESULT_OK;
    }
    if (text.size() > LINE_BUFFER_SIZE - 1) return fail("Command too long");
    std::string block_text(text);
    if (normalise(block_text, text.size()) != 0) return RESULT_ERROR;
    if (block_text.empty() || block_text == "/") return RESULT_OK;
    if (settings_.dialect == Dialect::CAM && percent_line(block_text)) return RESULT_OK;
    // A block of its own: a macro run inside the program's T word leaves the program's block alone.
    Block block;
    if (parse_line(block_text, block) != 0) return RESULT_ERROR;
    last_status_ = execute_block(block);
    return last_status_ == RESULT_ERROR ? RESULT_ERROR : RESULT_OK;
}

}  // namespace zorvan::interp
