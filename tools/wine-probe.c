/* The smallest 32-bit Windows program that proves Windows programs run here: it
 * prints one line and exits with status 3. tools/wine-runtime.sh builds it with
 * MinGW and requires both, since a Wine that cannot start a program may still
 * exit 0 and print nothing. */
#include <stdio.h>

int main(void) {
    puts("kest wine probe: a 32-bit Windows program ran");
    fflush(stdout);
    return 3;
}
