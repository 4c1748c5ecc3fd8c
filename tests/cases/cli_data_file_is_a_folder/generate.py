import os
os.mkdir("data.txt")
