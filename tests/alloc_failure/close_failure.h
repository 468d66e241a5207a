// Makes the next fclose fail on demand, as the close of a file does whose last write the system
// held back and then could not store (a full disk): the stream is closed and released as
// always, and the call returns EOF with errno ENOSPC. The program links with --wrap=fclose, so
// every fclose of its own code and of the layers comes here.
#pragma once

void fail_next_close();
// True while the failure asked for has not yet been taken by a close.
bool close_failure_pending();
