// Compressed input files: gzip (one member or several one after another, as bgzip writes them)
// and zstd, recognised by their first bytes, never by their name, and decompressed as they are
// read, a block at a time, so that memory does not grow with the file and a pipe works as well
// as a file (nothing is sought, the first bytes are looked at as they are read).
//
// The readers see an ordinary stream. A compressed file that ends inside its data, or whose
// data is corrupt, makes the stream fail after the bytes decoded so far; the readers then stop
// with the message of read_fault, never with a shorter input taken for the whole.
#pragma once

#include <cstdio>
#include <string>

#include "dialogue/dialogue.h"

namespace tessar {

// What an input file holds, by its first bytes.
enum class InputCoding { Plain, Gzip, Zstd };

// The stream to read the file `raw` (just opened, nothing read yet) through: `raw` itself when
// it is not compressed, otherwise a stream of its decompressed bytes, which owns `raw`. `name`
// names the file in the messages.
File open_decompressed(File raw, const std::string& name);

// How `in` decodes its file (Plain for a stream open_decompressed handed back as it was).
InputCoding input_coding(std::FILE* in);

// Why reading `in` failed: the message of a truncated or corrupt compressed file, with its line
// end; "" when it did not fail that way.
std::string read_fault(std::FILE* in);

// Throws FatalError with read_fault's message when reading `in` stopped on one.
void check_read(std::FILE* in);

// The descriptor of the file `in` reads (the compressed file's for a decompressing stream);
// -1 for none.
int input_descriptor(std::FILE* in);

}  // namespace tessar
