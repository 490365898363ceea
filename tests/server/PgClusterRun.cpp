// Runs a command with a throw-away PostgreSQL cluster: PIMRA_TEST_DB names the cluster's
// maintenance database while the command runs. Exits with the command's status, or with 77
// (a skipped test to ctest) and the reason when PostgreSQL cannot start here.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <vector>

#include "PgCluster.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: pg_cluster_run COMMAND [ARG]...\n";
        return 2;
    }
    std::string error;
    const auto cluster = pimra::server::test::PgCluster::start(error);
    if (!cluster) {
        std::cout << "skipped: " << error << '\n';
        return 77;
    }
    const std::string uri = cluster->socketUri("postgres");
    ::setenv("PIMRA_TEST_DB", uri.c_str(), 1);
    std::cout << "PIMRA_TEST_DB=" << uri << std::endl;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execv(argv[1], argv + 1);
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return 1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
