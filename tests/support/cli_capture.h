// Runs a command that writes to two streams and keeps what it wrote.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zorvan::testing {

// `command` is called with the out and err streams; returns its result.
template <typename Command>
int capture_output(Command&& command, std::string& out, std::string& err) {
    char* out_text = nullptr;
    char* err_text = nullptr;
    std::size_t out_size = 0, err_size = 0;
    std::FILE* out_file = open_memstream(&out_text, &out_size);
    std::FILE* err_file = open_memstream(&err_text, &err_size);
    const int status = command(out_file, err_file);
    std::fclose(out_file);
    std::fclose(err_file);
    out.assign(out_text, out_size);
    err.assign(err_text, err_size);
    std::free(out_text);
    std::free(err_text);
    return status;
}

}  // namespace zorvan::testing
