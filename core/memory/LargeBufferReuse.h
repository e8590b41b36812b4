#pragma once

namespace keldra {

// File bodies are held whole in memory (read, sealed, sent; fetched, opened, written), one file after
// another. Left to its defaults the allocator maps every such buffer fresh and unmaps it when freed, so each
// file pays a page fault for every page of every buffer again, which costs more than sealing or sending it.
// This keeps freed buffers of up to 32 MiB inside the process for the next file instead. Call it once, at the
// start of main, before any thread starts. False when the allocator refused a setting (nothing is lost: only
// speed).
bool keepLargeBuffersForReuse();

} // namespace keldra
