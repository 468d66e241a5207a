// Loses memory on purpose, as a fault in the project's own code would: the sanitizer build's
// leak check must report it and fail the program.
namespace {

char* volatile last_block = nullptr;

// Many blocks, each lost: a stray copy of a pointer left on the stack or in a register can keep
// one of them reachable, never all of them.
void lose_blocks()
{
    for (int i = 0; i < 100; ++i) {
        last_block = new char[64];
    }
    last_block = nullptr;
}

} // namespace

int main()
{
    lose_blocks();
    return 0;
}
