import subprocess
subprocess.run(["bgzip", "data.vcf"], check=True)
