// zorvannc-cli preview: the program's tool path drawn as the operator program draws it after opening a
// file with automatic redraw, with the machine table and the configured colours, saved as a PNG picture.
#pragma once

#include <QImage>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan::app {

struct PreviewOptions {
    std::filesystem::path config_dir;  // where ZorvanNC.Ini, the parameter file and the tool table live
    std::filesystem::path file;        // the program; its name becomes the interpreter's program name
    int view_mode = 1;                 // 1 top, 2 front, 3 isometric
    int width = 1024;                  // pixels
    int height = 768;                  // pixels
};

// All, fit the view to the drawn extents, All again, and the picture of that second pass. Errors of
// the second pass are written to out as "error(N): MESSAGE" lines; the first pass only finds the extents.
QImage draw_preview(const PreviewOptions& options, std::string_view text, std::FILE* out);

// preview FILE --png OUT [--view top|front|iso] [--size WxH] [--config-dir DIR]. 0 when the picture is
// saved, also after interpreter errors; 2 for a usage error, an unreadable program or an unwritable OUT.
int run_preview_command(const std::vector<std::string>& args_after_preview, std::FILE* out, std::FILE* err);

}  // namespace zorvan::app
