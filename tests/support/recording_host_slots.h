/* Two entries whose parameter classes the list leaves open, which the
 * recording host answers with prototypes of the tests' own (the binding stubs
 * pass any prototype through). Plain #defines: the host's assembly uses them
 * too. */
#ifndef QZTEST_RECORDING_HOST_SLOTS_H
#define QZTEST_RECORDING_HOST_SLOTS_H

/* mi_scene_book_max_lines: an echo of nine arguments (one on the stack) */
#define QZTEST_ECHO_SLOT 5
/* mi_scene_book_free_blk_start: called as (int count, ...) with doubles */
#define QZTEST_VARIADIC_CALLER_SLOT 6

#endif
