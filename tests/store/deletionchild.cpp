// Removes one record of Telefon.dat, for the crash test that kills it part way through.
// Usage: deletionchild <folder> <record number>. Prints "begun" once the deletion has started.
#include "datastore.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 3)
        return 2;
    DataStore store(QString::fromLocal8Bit(argv[1]));
    RecordDeletion deletion(store);
    if (deletion.begin(std::atoll(argv[2])) || !deletion.hasRecord())
        return 1;
    std::fputs("begun\n", stdout);
    std::fflush(stdout);
    return deletion.commit() ? 1 : 0;
}
