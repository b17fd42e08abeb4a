// The C++ library's failure reports, thrown without the standard exception
// classes that carry text.
//
// libstdc++ reports a failure inside std::string, std::vector and the like (a
// length beyond max_size(), an index out of range) by calling one of the
// std::__throw_* helpers below. Its own helpers throw std::length_error,
// std::out_of_range and their relatives, whose message lives in the library's
// old reference-counted string: linking them statically brings in that whole
// second string implementation, the exception classes and their unwind tables
// (some 85 KB), whether or not anything is ever thrown. Defined here, these
// helpers are linked instead of the library's. The saving holds only while the
// program itself throws none of those classes either (std::runtime_error and
// std::logic_error with their relatives): an exception type of the program's
// own that derives from std::exception costs nothing of the kind.
//
// The failures still arrive as exceptions: those that carry no text are the
// standard ones, the others are a LibraryFailure, a std::exception whose what()
// is the library's own message (for __throw_out_of_range_fmt its format,
// unformatted). Catch them as std::exception; a handler for std::length_error
// or std::out_of_range in particular would not see them.
//
// The helpers are libstdc++'s (bits/functexcept.h), all of those its
// functexcept.o defines: with one missing, that object would be linked as well
// and the link would fail on the duplicates.
#include <exception>
#include <new>
#include <typeinfo>

namespace dizi {
namespace {

class LibraryFailure : public std::exception {
 public:
  // The library passes string literals: nothing to copy, nothing to allocate.
  explicit LibraryFailure(const char* text) noexcept : text_(text) {}
  const char* what() const noexcept override { return text_; }

 private:
  const char* text_;
};

}  // namespace
}  // namespace dizi

namespace std {

void __throw_bad_exception() {
  throw bad_exception();
}
void __throw_bad_alloc() {
  throw bad_alloc();
}
void __throw_bad_array_new_length() {
  throw bad_array_new_length();
}
void __throw_bad_cast() {
  throw bad_cast();
}
void __throw_bad_typeid() {
  throw bad_typeid();
}

void __throw_logic_error(const char* text) {
  throw dizi::LibraryFailure(text);
}
void __throw_domain_error(const char* text) {
  throw dizi::LibraryFailure(text);
}
void __throw_invalid_argument(const char* text) {
  throw dizi::LibraryFailure(text);
}
void __throw_length_error(const char* text) {
  throw dizi::LibraryFailure(text);
}
void __throw_out_of_range(const char* text) {
  throw dizi::LibraryFailure(text);
}
void __throw_out_of_range_fmt(const char* format, ...) {
  throw dizi::LibraryFailure(format);
}
void __throw_runtime_error(const char* text) {
  throw dizi::LibraryFailure(text);
}
void __throw_range_error(const char* text) {
  throw dizi::LibraryFailure(text);
}
void __throw_overflow_error(const char* text) {
  throw dizi::LibraryFailure(text);
}
void __throw_underflow_error(const char* text) {
  throw dizi::LibraryFailure(text);
}

}  // namespace std
