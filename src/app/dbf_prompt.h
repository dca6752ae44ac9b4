#pragma once
// Opening a dBASE file whose name the operator may correct at the console.

#include "common/byte_stream.h"
#include "common/console.h"
#include "common/fixed_text.h"
#include "common/work_dir.h"

namespace korvo {

// Opens a dBASE file by its 80-character name (NUL bytes read as blanks,
// trailing blanks ignored). While no file of that name exists, asks
// " Input file does not exist -- Respecify? (Y/N)>": N or n stops the run
// with "SHWDBF Abnormal Completion"; any other answer, a blank one included,
// asks " Enter the "DBF" file name>" for a new name. Throws ConsoleInputEnded when
// the console input ends at either question.
ByteStream open_with_prompt(const WorkDir& work, Console& console, const FixedText<80>& name);

}  // namespace korvo
