#pragma once
// The ways out of the program that must not wait on an output stream. Standard output may be a pipe
// nobody reads or a stopped terminal: a write to it then never returns, and a thread blocked in one
// holds the stream's lock. Flushing from the thread that ends the process would wait for ever.

// Flushes every output stream of the C runtime on a thread of its own and waits at most wait_ms for
// it; true when the flush was done by then. Otherwise the flush is left where it waits.
bool flush_output_within(int wait_ms);

// Ends the process with `code` without the destructors and exit handlers, once the output streams
// are flushed or wait_ms has gone by.
[[noreturn]] void end_process_at_once(int code, int wait_ms);

// Ends the process through the C runtime's exit (its exit handlers run) when the output streams
// could be flushed within wait_ms, so that exit finds nothing to write; otherwise at once.
[[noreturn]] void exit_process(int code, int wait_ms);
