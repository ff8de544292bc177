#!/bin/sh
# A Slurm array job: each task exports its part of the list (the part follows from
# SLURM_ARRAY_TASK_ID and SLURM_ARRAY_TASK_COUNT) and writes its own report into
# REPORT/shard-K-of-N; `mailshift-cli batch-report REPORT` merges them afterwards.
#
#   sbatch --array=0-9 batch-array-job.sh LIST REPORT
#
#SBATCH --job-name=mailshift
#SBATCH --cpus-per-task=2
#SBATCH --output=mailshift-%A_%a.out
set -eu
list="$1"
report="$2"
exec "${MAILSHIFT_CLI:-mailshift-cli}" batch "$list" --shard-from-env --report "$report" \
  --workers "${SLURM_CPUS_PER_TASK:-2}" --timeout 86400
