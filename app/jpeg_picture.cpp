#include "app/jpeg_picture.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>  // jpeglib.h uses FILE and size_t without including their headers
#include <limits>

#include <jpeglib.h>

#ifndef JCS_EXTENSIONS
#error "needs libjpeg-turbo: pictures are decoded straight to BGR with JCS_EXT_BGR"
#endif

namespace dizi {
namespace {

// Refuses pictures whose pixels would take more than this: far more than any
// picture the window shows, and small enough that a forged header cannot make
// the program ask for gigabytes.
constexpr std::uint64_t kMaxPixelBytes = std::uint64_t{64} << 20;

std::uint64_t RowBytes(std::uint64_t width) {
  return (width * 3 + 3) / 4 * 4;
}

// libjpeg reports trouble through an error manager. Its default one prints to
// the console and calls exit() on errors; this one prints nothing and jumps
// back into Decompression::Run for errors and for warnings alike: libjpeg
// warns about corrupt or missing data, and such a picture counts as damaged.
// longjmp is how libjpeg expects an error handler to return. A C++ exception
// could not be relied on instead: libjpeg's frames are C, and the Windows
// build's libjpeg has no unwind tables at all, so a throw through them would
// end the program.
struct ErrorManager {
  jpeg_error_mgr fields;  // first, so libjpeg's pointer to it also points here
  std::jmp_buf resume;
};

[[noreturn]] void JumpBack(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->resume, 1);
}

// Level -1 is a warning about the data; higher levels are trace messages.
void OnMessage(j_common_ptr info, int level) {
  if (level < 0) {
    JumpBack(info);
  }
}

void PrintNothing(j_common_ptr) {}
void FormatNothing(j_common_ptr, char* buffer) {
  buffer[0] = '\0';
}
void ResetNothing(j_common_ptr) {}

// The error manager's fields are set here rather than by jpeg_std_error(),
// which would link libjpeg's table of message texts into the program only for
// them never to be shown.
jpeg_error_mgr* InstallErrorManager(ErrorManager& manager) {
  manager.fields = jpeg_error_mgr{};
  manager.fields.error_exit = JumpBack;
  manager.fields.emit_message = OnMessage;
  manager.fields.output_message = PrintNothing;
  manager.fields.format_message = FormatNothing;
  manager.fields.reset_error_mgr = ResetNothing;
  return &manager.fields;
}

// libjpeg's decompression state for one picture, released however decoding
// ends.
class Decompression {
 public:
  Decompression() { info_.err = InstallErrorManager(errors_); }
  ~Decompression() { jpeg_destroy_decompress(&info_); }  // also safe before creation
  Decompression(const Decompression&) = delete;
  Decompression& operator=(const Decompression&) = delete;

  // Decodes the data into `picture`; false when libjpeg gives up on it. Only
  // `this` and the arguments live in this frame, and none changes after
  // setjmp, so a jump back leaves nothing here indeterminate.
  bool Run(const unsigned char* data, unsigned long size, Picture& picture) {
    if (setjmp(errors_.resume) != 0) {
      return false;
    }
    jpeg_create_decompress(&info_);
    jpeg_mem_src(&info_, data, size);
    jpeg_read_header(&info_, TRUE);  // without an image in the data it reports an error
    const std::uint64_t stride = RowBytes(info_.image_width);
    if (stride * info_.image_height > kMaxPixelBytes) {
      return false;
    }
    info_.out_color_space = JCS_EXT_BGR;  // greyscale is expanded too
    jpeg_start_decompress(&info_);

    picture.width = static_cast<int>(info_.output_width);
    picture.height = static_cast<int>(info_.output_height);
    picture.pixels.assign(picture.Stride() * picture.height, 0);
    while (info_.output_scanline < info_.output_height) {
      JSAMPROW row = picture.pixels.data() + info_.output_scanline * picture.Stride();
      jpeg_read_scanlines(&info_, &row, 1);
    }
    jpeg_finish_decompress(&info_);  // reads up to the end marker: a cut-off file fails here
    return true;
  }

 private:
  ErrorManager errors_;
  jpeg_decompress_struct info_{};
};

}  // namespace

std::size_t Picture::Stride() const {
  return static_cast<std::size_t>(RowBytes(width));
}

std::optional<Picture> DecodeJpeg(const unsigned char* data, std::size_t size) {
  if (size > std::numeric_limits<unsigned long>::max()) {
    return std::nullopt;
  }
  Picture picture;
  Decompression decompression;
  if (!decompression.Run(data, static_cast<unsigned long>(size), picture)) {
    return std::nullopt;
  }
  return picture;
}

}  // namespace dizi
