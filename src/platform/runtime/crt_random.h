// The run-time library's random generator, reproduced so that every sequence matches:
// state = state * 214013 + 2531011 (mod 2^32), each draw bits 16 to 30 of the new state
// (0..32767). The start state is 1. glibc's rand has another range and is never used.
#pragma once

constexpr int CRT_RAND_MAX = 32767;

void crt_srand(unsigned int seed);
int crt_rand();
