// The packer's process entry: loads what the player loads, from data/, and writes data.qxv.
#include "main/main.h"

int main()
{
    return run_packer();
}
