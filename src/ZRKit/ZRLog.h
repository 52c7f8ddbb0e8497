#pragma once

/*! The log-level switch: true when the user default "logLevel" is not 0 and is at least level. The default
    is read at the first call and kept for the life of the process ("logLevel" -1 is read every time, since
    it equals the not-yet-read marker). Nothing in the application writes "logLevel"; it is set from
    outside. */
bool ShouldLog(int level);

/*! Forgets the cached level so the next ShouldLog reads the default again (tests). */
void ZRResetLogLevelForTesting();
