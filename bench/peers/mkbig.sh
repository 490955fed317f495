#!/usr/bin/env bash
# mkbig.sh [FILE] [SIZE_MB]
# Writes the big file of the comparisons (default /tmp/big.txt, 50 MiB): one
# C translation unit repeated, each copy with its own numbered identifiers,
# so no two blocks are alike and every machine gets the same bytes.
# build/bench/bench_bigfile makes the same text in-process.
set -eu
out=${1:-/tmp/big.txt}
mb=${2:-50}
limit=$((mb * 1024 * 1024))

read -r -d '' TEMPLATE <<'EOT' || :
/* ---- block @N@ ------------------------------------------------------ */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct node_@N@ {
    int key;
    double weight;
    struct node_@N@ *left, *right;
} node_@N@_t;

static node_@N@_t *insert_@N@(node_@N@_t *root, int key, double weight)
{
    if (root == NULL) {
        node_@N@_t *n = calloc(1, sizeof *n);
        if (!n) { perror("calloc"); exit(EXIT_FAILURE); }
        n->key = key;
        n->weight = weight;
        return n;
    }
    if (key < root->key)
        root->left = insert_@N@(root->left, key, weight);
    else if (key > root->key)
        root->right = insert_@N@(root->right, key, weight);
    else
        root->weight += weight;   /* merge duplicates */
    return root;
}

static double sum_@N@(const node_@N@_t *root)
{
    return root ? root->weight + sum_@N@(root->left) + sum_@N@(root->right) : 0.0;
}

int main_@N@(int argc, char **argv)
{
    node_@N@_t *tree = NULL;
    char buf[256];
    for (int i = 1; i < argc; i++) {
        strncpy(buf, argv[i], sizeof buf - 1);
        buf[sizeof buf - 1] = '\0';
        tree = insert_@N@(tree, atoi(buf), (double)i * 0.5);
    }
    printf("block @N@: total weight %.3f\n", sum_@N@(tree));
    return 0;
}

EOT

TEMPLATE=$TEMPLATE awk -v limit="$limit" 'BEGIN {
    t = ENVIRON["TEMPLATE"] "\n\n"
    total = 0
    for (n = 1; total < limit; n++) {
        b = t
        gsub(/@N@/, sprintf("%06d", n), b)
        printf "%s", b
        total += length(b)
    }
}' >"$out"
echo "$out: $(wc -c <"$out") bytes, $(wc -l <"$out") lines"
