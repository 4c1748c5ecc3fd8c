import subprocess
subprocess.run(["bcftools", "view", "-Ob", "-o", "data.bcf", "data.vcf"], check=True)
subprocess.run(["bcftools", "index", "data.bcf"], check=True)
