/* 8.0.0: the columns of the my-number administrator come with the delivered OPERATOR table. */
