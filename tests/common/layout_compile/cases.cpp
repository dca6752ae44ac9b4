// Layout literals that must compile (CASE 0) and mistakes that must not
// (CASE 1 and up): each is compiled on its own by layout_compile_check.cmake,
// which expects the compiler to refuse the mistakes with the message of the
// check that catches them.

#include "common/layout.h"

namespace korvo {

void cases(RecordSink& out) {
#if CASE == 0
  // Right kinds: integer to I, real or integer to F, texts of every sort to
  // A, a repeated group, reversion, a colon, values at run time in a span.
  write_record(out, "(T2,A,T18,I6,F10.2,F6.1)"_layout, "label", 12, 3.5f, 7);
  write_record(out, "(2(I3,A))"_layout, 1, std::string_view("x"), std::int64_t{2}, FixedText<4>("abcd"));
  write_record(out, "(I5)"_layout, 1, 2, 3);
  write_record(out, "(I5,:,' more')"_layout, 1);
  write_record(out, "(T5,'|',T16,'|')"_framed_layout);
  const FieldValue any[] = {1, 2.5};
  write_record(out, "(I5,F6.2)"_layout, std::span<const FieldValue>(any));
#elif CASE == 1
  // An unknown descriptor.
  write_record(out, "(T2,A,Q5)"_layout, "x");
#elif CASE == 2
  // A quoted text that is not closed.
  write_record(out, "(T2,'TOTALS)"_layout);
#elif CASE == 3
  // F without its decimals.
  write_record(out, "(F10)"_layout, 1.5);
#elif CASE == 4
  // A text to an I descriptor.
  write_record(out, "(I5)"_layout, "12");
#elif CASE == 5
  // An integer to an A descriptor.
  write_record(out, "(T2,A)"_layout, 42);
#elif CASE == 6
  // A real to an I descriptor: whole numbers are rounded before they print.
  write_record(out, "(T5,A,T35,I10)"_layout, "TOTAL", 3.5f);
#elif CASE == 7
  // A value with no descriptor to take it.
  write_record(out, "(' DONE')"_layout, 1);
#elif CASE == 8
  // A flag is not a number.
  write_record(out, "(I1)"_layout, true);
#endif
}

}  // namespace korvo
